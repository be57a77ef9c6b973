#!/usr/bin/env bash
# Every option and command a program's --help lists appears in its manual page, the page has the
# sections people look for, and man reads it without a warning.
# Usage: help_in_page_test.sh MAN_DIR NAME=PROGRAM...
set -uo pipefail
man_dir=$1
shift
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The page's text as a reader sees the option names: no font escapes, plain hyphens.
page_text() {
    sed -e 's/\\f[BIRP]//g' -e 's/\\f(..//g' -e 's/\\-/-/g' -e 's/\\&//g' "$1"
}

# Option names in a help text: a word starting with - or --, after a space, comma, [ or |.
help_options() {
    grep -oE -- '(^|[ ,[|])--?[a-zA-Z][a-zA-Z0-9-]*' | sed -E 's/^[ ,[|]//' | sort -u
}

# The commands under CLI11's "Subcommands:" heading.
help_commands() {
    sed -n '/^Subcommands:/,/^$/p' | sed -nE 's/^  ([a-z][a-z0-9-]*) .*/\1/p'
}

check_page() {
    local name=$1 program=$2
    local page=$man_dir/$name.1
    if [ ! -f "$page" ]; then
        fail "$name: no manual page $page"
        return
    fi
    local text help rc
    text=$(page_text "$page")
    help=$("$program" --help 2>&1)
    rc=$?
    [ $rc -eq 0 ] || fail "$name --help exited $rc"
    [ -n "$help" ] || fail "$name --help printed nothing"

    local -A sources=()
    local option command
    while read -r option; do
        [ -n "$option" ] && sources[$option]="$name --help"
    done < <(help_options <<<"$help")
    while read -r command; do
        [ -n "$command" ] || continue
        local sub
        sub=$("$program" "$command" --help 2>&1)
        rc=$?
        [ $rc -eq 0 ] || fail "$name $command --help exited $rc"
        while read -r option; do
            [ -n "$option" ] && [ -z "${sources[$option]:-}" ] && sources[$option]="$name $command --help"
        done < <(help_options <<<"$sub")
        # A command's entry under COMMANDS starts a line: .TP, then .B/.BI/.BR and its name.
        sed -n '/^\.SH COMMANDS/,/^\.SH /p' <<<"$text" | grep -qE "^\.B[IR]? +\"?$command( |\"|$)" ||
            fail "$name.1 has no entry for the command '$command' under COMMANDS (listed by $name --help)"
    done < <(help_commands <<<"$help")

    for option in "${!sources[@]}"; do
        grep -qE -- "(^|[^a-zA-Z0-9-])$option([^a-zA-Z0-9-]|$)" <<<"$text" ||
            fail "$name.1 does not describe $option (listed by ${sources[$option]})"
    done
    local section
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
        grep -qE "^\.SH \"?$section\"?$" <<<"$text" || fail "$name.1 has no $section section"
    done
    local variable
    for variable in QUILLET_PORT CUPS_SERVER XDG_STATE_HOME; do
        sed -n '/^\.SH ENVIRONMENT/,/^\.SH /p' <<<"$text" | grep -q "$variable" ||
            fail "$name.1 does not name $variable under ENVIRONMENT"
    done
    if command -v man >/dev/null; then
        local warnings
        warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man warns about $name.1: $warnings"
    fi
    echo "checked $name.1 against ${#sources[@]} options of $name --help"
}

for pair in "$@"; do
    check_page "${pair%%=*}" "${pair#*=}"
done
if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "PASS every option --help lists is in its page"
