#!/usr/bin/env bash
# The bash completions offer every command and option the programs' --help lists, and the values
# of the options that take a fixed set.
# Usage: completion_test.sh COMPLETION_DIR NV_PROGRAM LOGO_PROGRAM
set -uo pipefail
dir=$1 nv=$2 logo=$3
bash_completion=/usr/share/bash-completion/bash_completion
[ -f "$bash_completion" ] || { echo "FAIL: no $bash_completion (package bash-completion)"; exit 1; }
. "$bash_completion"
. "$dir/quillet-nv"
. "$dir/quillet-logo"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# What the completion function offers for a command line whose last word is being typed.
offered() {
    local function=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
}

help_options() {
    grep -oE -- '(^|[ ,[|])--?[a-zA-Z][a-zA-Z0-9-]*' | sed -E 's/^[ ,[|]//' | grep -v '^-h$' | sort -u
}

expect_all() {
    local what=$1 wanted=$2 got=$3 word
    for word in $wanted; do
        grep -qxF -- "$word" <<<"$got" || fail "$what does not offer $word"
    done
}

commands=$("$nv" --help | sed -n '/^Subcommands:/,/^$/p' | sed -nE 's/^  ([a-z][a-z0-9-]*) .*/\1/p')
expect_all "quillet-nv <TAB>" "$commands" "$(offered _quillet_nv quillet-nv '')"
for command in $commands; do
    expect_all "quillet-nv $command -<TAB>" "$("$nv" "$command" --help | help_options)" \
        "$(offered _quillet_nv quillet-nv "$command" -)"
done
expect_all "quillet-logo -<TAB>" "$("$logo" --help | help_options)" "$(offered _quillet_logo quillet-logo -)"

expect_all "quillet-nv store --flow <TAB>" "none xon-xoff rts-cts" \
    "$(offered _quillet_nv quillet-nv store --flow '')"
expect_all "quillet-nv setting cut <TAB>" "command full partial" \
    "$(offered _quillet_nv quillet-nv setting cut '')"
expect_all "quillet-logo --dither <TAB>" "floyd-steinberg atkinson ordered threshold" \
    "$(offered _quillet_logo quillet-logo --dither '')"
expect_all "quillet-nv store --port tc<TAB>" "tcp:" "$(offered _quillet_nv quillet-nv store --port tc)"

[ $failures -eq 0 ] && echo "PASS completions offer every command and option"
[ $failures -eq 0 ]
