#!/usr/bin/env bash
# Pelorund — writing music as text.
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Installs what is missing, builds the programs into build/bin/ and compiles the demo song.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

step="starting"
trap 'echo "run.sh: FAILED while ${step}." >&2' ERR

say() {
  step=$1
  printf '\n== run.sh: %s\n' "$1"
}

say "installing missing packages"
scripts/install-deps.sh

say "configuring build/ (Release)"
# Every option is given, so build/ is the same whichever script configured it last.
cmake -S . -B build -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER=g++ \
  -DPELORUND_TESTS=OFF \
  -DPELORUND_BENCH=OFF \
  -DPELORUND_SANITIZE=OFF \
  -DPELORUND_FUZZ=OFF \
  -DPELORUND_CORE_ONLY=OFF

say "building"
cmake --build build -j2

say "compiling examples/demo.mml"
build/bin/pelorund-cli compile examples/demo.mml -o build/demo.mid

say "reading build/demo.mid"
summary=$(/usr/bin/python3 scripts/smf-summary.py build/demo.mid)
echo "run.sh: wrote build/demo.mid: ${summary}"
