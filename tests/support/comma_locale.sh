#!/usr/bin/env bash
# Runs a test program under a decimal-comma locale, German (de_DE.UTF-8), as
# a German user's process runs once the toolkit has started: the locale is
# built by localedef into a folder of its own (no system locale needs to be
# installed; the `locales` package brings the sources, scripts/setup
# --tests installs it), LOCPATH points at it and LC_ALL names it. The
# program's own tests check that it took hold where SINORA_COMMA_LOCALE is
# set (tests/lab/cli/number_locale_test.cpp).
#
#   bash comma_locale.sh PROGRAM [ARGUMENTS...]
#
# Exits 77, which ctest counts as skipped, when the locale cannot be built.
set -uo pipefail

folder="$(mktemp -d /tmp/sinora_comma_locale_XXXXXX)" || exit 1
trap 'rm -rf "$folder"' EXIT
localedef -i de_DE -f UTF-8 "$folder/de_DE.UTF-8" >/dev/null 2>&1
# localedef answers 1 for warnings while still writing the locale.
if [ $? -gt 1 ] || [ ! -d "$folder/de_DE.UTF-8" ]; then
  echo "comma_locale.sh: localedef or the de_DE locale sources are not installed: skipped" >&2
  exit 77
fi
if [ "$(LOCPATH="$folder" LC_ALL=de_DE.UTF-8 locale decimal_point 2>/dev/null)" != "," ]; then
  echo "comma_locale.sh: the built de_DE.UTF-8 has no decimal comma: skipped" >&2
  exit 77
fi
LOCPATH="$folder" LC_ALL=de_DE.UTF-8 SINORA_COMMA_LOCALE=de_DE.UTF-8 "$@"
