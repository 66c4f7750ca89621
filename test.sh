#!/usr/bin/env bash
# Pelorund — writing music as text.
# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck disable=SC2317  # the stage functions are called through run_stage
#
# Installs what is missing, then runs every check:
#   build/       g++, RelWithDebInfo: the whole test suite
#   build-asan/  clang with AddressSanitizer and UndefinedBehaviorSanitizer: the core and playback tests
#   build-fuzz/  clang with libFuzzer: each fuzzer for PELORUND_FUZZ_SECONDS (30) over its seeds
# A failing stage does not stop the later ones; the script exits non-zero when any failed and
# ends with the summary line of the main test run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

readonly jobs=2
readonly fuzz_seconds=${PELORUND_FUZZ_SECONDS:-30}
readonly main_log=build/ctest-output.log

say() { printf '\n== test.sh: %s\n' "$*"; }

report=()  # "stage: outcome", in the order the stages ran
failed=0

# Runs a stage in a subshell with errexit in force (errexit is ignored inside `if` and `||`,
# so the status is taken by hand) and records how it ended.
run_stage() {
  local name=$1
  shift
  local status
  set +e
  (
    set -e
    "$@"
  )
  status=$?
  set -e
  if ((status == 0)); then
    report+=("${name}: passed")
  else
    report+=("${name}: FAILED (exit status ${status})")
    failed=1
    echo "test.sh: stage '${name}' FAILED (exit status ${status})" >&2
  fi
}

# Configures and builds one tree with a C and C++ compiler and the options named ON. Every option is
# given (OFF unless named), so a tree is the same whichever script configured it last.
build_tree() {
  local dir=$1 cc=$2 cxx=$3
  shift 3
  say "configuring ${dir}/ (${cxx}: $*)"
  CC=${cc} CXX=${cxx} cmake -S . -B "${dir}" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="${cxx}" \
    -DPELORUND_TESTS=OFF -DPELORUND_BENCH=OFF -DPELORUND_SANITIZE=OFF -DPELORUND_FUZZ=OFF \
    -DPELORUND_CORE_ONLY=OFF "$@"
  say "building ${dir}/"
  cmake --build "${dir}" -j"${jobs}"
}

main_stage() {
  build_tree build gcc g++ -DPELORUND_TESTS=ON -DPELORUND_BENCH=ON
  say "running the test suite (build/)"
  # The output is kept so that its summary line can close the script.
  ctest --test-dir build --output-on-failure -j"${jobs}" --no-tests=error 2>&1 | tee "${main_log}"
}

sanitizer_stage() {
  build_tree build-asan clang clang++ -DPELORUND_TESTS=ON -DPELORUND_SANITIZE=ON -DPELORUND_CORE_ONLY=ON
  say "running the core and playback tests under the sanitizers (build-asan/)"
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    ctest --test-dir build-asan -L 'core|playback' --output-on-failure -j"${jobs}" --no-tests=error
}

# Runs one fuzzer over a scratch copy of its seeds, so the repository's corpus stays as it is.
run_fuzzer() {
  local fuzzer=$1 scratch=$2
  local name seeds corpus artifacts log
  name=$(basename "${fuzzer}")
  seeds=fuzz/corpus/${name%_fuzzer}
  corpus=${scratch}/${name}
  artifacts=build-fuzz/artifacts/${name}
  log=build-fuzz/${name}.log
  # Called inside `if`, where errexit does not hold: every step checks its own status.
  rm -rf "${artifacts}" || return 1  # only this run's failures are listed
  mkdir -p "${corpus}" "${artifacts}" || return 1
  if [[ -d "${seeds}" ]]; then
    cp -R "${seeds}/." "${corpus}/" || return 1
  else
    echo "test.sh: ${name}: no seed folder ${seeds}/, starting from an empty corpus" >&2
  fi
  if [[ ${name} == compile_fuzzer ]]; then
    cp examples/*.mml "${corpus}/" || return 1  # the example songs reach every command family
  fi
  local options=()
  if [[ -f fuzz/${name%_fuzzer}.dict ]]; then
    options+=("-dict=fuzz/${name%_fuzzer}.dict")
  fi

  echo "test.sh: ${name}: fuzzing for ${fuzz_seconds} s (log: ${log})"
  if ! "${fuzzer}" -max_total_time="${fuzz_seconds}" -rss_limit_mb=2048 -timeout=25 \
      -artifact_prefix="${artifacts}/" -print_final_stats=1 "${options[@]}" "${corpus}" >"${log}" 2>&1; then
    echo "test.sh: ${name} FAILED; the end of its log:" >&2
    tail -n 60 "${log}" >&2
    echo "test.sh: ${name}: inputs that failed are kept in ${artifacts}/:" >&2
    ls -l "${artifacts}" >&2
    return 1
  fi
  local done_line
  done_line=$(grep -E '^Done [0-9]+ runs' "${log}" | tail -n 1 || true)
  echo "test.sh: ${name}: no failure. ${done_line:-}; corpus now $(find "${corpus}" -type f | wc -l) inputs"
}

fuzz_stage() {
  build_tree build-fuzz clang clang++ -DPELORUND_FUZZ=ON -DPELORUND_CORE_ONLY=ON

  local fuzzers=()
  shopt -s nullglob
  fuzzers=(build-fuzz/bin/*_fuzzer)
  shopt -u nullglob
  if ((${#fuzzers[@]} == 0)); then
    echo "test.sh: no fuzzer was built in build-fuzz/bin/" >&2
    return 1
  fi

  say "running ${#fuzzers[@]} fuzzer(s), ${fuzz_seconds} s each"
  # Global to this stage's subshell, so the exit trap still sees it after the function returns.
  fuzz_scratch=$(mktemp -d)
  trap 'rm -rf "${fuzz_scratch}"' EXIT
  local fuzzer bad=0
  for fuzzer in "${fuzzers[@]}"; do
    # A failing fuzzer does not keep the others from running.
    if ! run_fuzzer "${fuzzer}" "${fuzz_scratch}"; then
      bad=1
    fi
  done
  return "${bad}"
}

say "installing missing packages"
if ! scripts/install-deps.sh; then
  echo "test.sh: FAILED: the packages could not be installed" >&2
  exit 1
fi

mkdir -p build
rm -f "${main_log}"
run_stage "tests (build/, g++)" main_stage

if command -v clang++ >/dev/null 2>&1; then
  run_stage "core and playback tests under ASan+UBSan (build-asan/)" sanitizer_stage
  run_stage "fuzzers, ${fuzz_seconds} s each (build-fuzz/)" fuzz_stage
else
  report+=("core and playback tests under ASan+UBSan (build-asan/): skipped, clang++ not found")
  report+=("fuzzers (build-fuzz/): skipped, clang++ not found")
fi

say "summary"
printf '%s\n' "${report[@]}"
if [[ -f "${main_log}" ]]; then
  # The failed tests of the main run, as ctest listed them.
  sed -n '/^The following tests FAILED:/,/^Errors while running CTest/p' "${main_log}"
fi
# The main run's closing line comes last.
summary_line=$(grep -E '^[0-9]+% tests passed' "${main_log}" 2>/dev/null | tail -n 1 || true)
if [[ -n "${summary_line}" ]]; then
  ((failed == 0)) || echo "test.sh: FAILED (see the stages above)"
  echo "${summary_line}"
else
  echo "test.sh: FAILED: the main test run did not complete (see above)"
  failed=1
fi
exit "${failed}"
