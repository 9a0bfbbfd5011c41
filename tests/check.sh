#!/bin/sh
# Checks the manual page or the sources with one tool, which must find
# nothing; where the tool is missing, says so and skips. clang-tidy takes
# the build's own flags from its compile_commands.json, where a gcc flag
# that clang ignores for a cross target is no finding.
#
#   check.sh groff|mandoc MANPAGE
#   check.sh clang-tidy|clang-format|shellcheck|perl BUILD-DIR
tool=${1:?usage: check.sh TOOL MANPAGE|BUILD-DIR}
cd "$(dirname "$0")/.." || exit 1
command -v "$tool" >/dev/null || { echo "$tool not found: skipped"; exit 77; }
case $tool in
groff) out=$(groff -man -ww -z "$2" 2>&1) ;;
mandoc) out=$(mandoc -Tlint -Wwarning "$2" 2>&1) ;;
clang-tidy) out=$(clang-tidy --quiet -p "$2" --extra-arg=-Wno-unused-command-line-argument src/more_zero.cpp 2>/dev/null) ;;
clang-format) out=$(clang-format --dry-run src/more_zero.cpp 2>&1) ;;
shellcheck) out=$(shellcheck -S warning .ci/run ./*/*.sh tests/nostatic-c++ 2>&1) ;;
perl) out=$(perl -c tests/peer.pl 2>&1) && [ "$out" = 'tests/peer.pl syntax OK' ] && out='' ;;
*) echo "check.sh: no check with $tool" >&2; exit 2 ;;
esac
status=$?
[ -z "$out" ] && [ $status = 0 ] && exit 0
printf '%s\n' "$out"
exit 1
