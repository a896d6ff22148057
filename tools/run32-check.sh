#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs, 1 when it does not, and says why on
# standard output. It tries one: a 93-byte 32-bit program that only exits. Installed packages say
# nothing about it: kernels built with 32-bit emulation may boot with it off ("32-bit emulation
# disabled"), and then every 32-bit program, Wine's 32-bit loader included, fails with
# "Exec format error". ZELTO_RUN32=no in the environment answers no without trying.
set -u
if [ "${ZELTO_RUN32:-}" = no ]; then
  echo "32-bit programs are switched off for this run (ZELTO_RUN32=no)"
  exit 1
fi
probe=$(mktemp /tmp/zelto-run32.XXXXXX) || exit 1
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; xor ebx,ebx; int 0x80 (exit 0).
printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0\0\0\0\0' >"$probe"
printf '\064\0\040\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\135\0\0\0\135\0\0\0' >>"$probe"
printf '\5\0\0\0\0\020\0\0\270\1\0\0\0\061\333\315\200' >>"$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then
  echo "this machine runs 32-bit programs"
  exit 0
fi
echo "this machine's kernel runs no 32-bit programs (a 32-bit program fails to start here)"
exit 1
