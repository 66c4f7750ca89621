#!/usr/bin/env python3
"""Prints a C++ string literal holding the code page 932 bytes of each argument.

Usage: scripts/cp932-literal.py 'パラメータの指定に誤りがあります.'
Every byte is escaped, so no trail byte can merge with a following hex digit.
"""
import sys

for text in sys.argv[1:]:
    data = text.encode("cp932")
    chunks = ["".join(f"\\x{b:02x}" for b in data[i:i + 20]) for i in range(0, len(data), 20)]
    print(f"// {text}")
    print("\n".join(f'"{c}"' for c in chunks))
