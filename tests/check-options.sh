#!/usr/bin/env bash
# Checks that the texts beside a program name the options its --help names:
#   check-options.sh man PROGRAM PAGE.scd   the OPTIONS section of the page
#   check-options.sh bash|fish PROGRAM SCRIPT
#       the shell's completion of "-" offers them, and completes a partial
#       option, a value of --to and --plot, and survey files
#   check-options.sh zsh PROGRAM SCRIPT   the same partial completions, in
#       an interactive zsh
# A shell that is not installed skips its check (exit status 77).
set -euo pipefail
what=$1 program=$(realpath "$2") text=$(realpath "$3")

# The options of --help: its lines that start with two spaces and "-", each
# with one or two names ("  -n, --no-clobber").
help_options() {
    "$program" --help | sed -n 's/^  \(-[^ ,]*\)\(, \(-[^ ,]*\)\)\{0,1\}.*/\1 \3/p' |
        tr ' ' '\n' | sed '/^$/d' | sort -u
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Compares two sorted option lists, named for the message.
same_options() {
    diff <(echo "$2") <(echo "$4") >&2 || fail "$1 and $3 name different options (< $1, > $3)"
}

# Runs the shell's completion of a command line, one candidate a line.
complete_line() {
    case $what in
    bash)
        bash -c 'source "$1"; read -ra COMP_WORDS <<<"$2"; [[ $2 == *" " ]] && COMP_WORDS+=("");
                 COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _veltrane_convert;
                 printf "%s\n" "${COMPREPLY[@]}"' _ "$text" "$1" ;;
    fish)
        fish -c 'source $argv[1]; complete -C $argv[2]' "$text" "$1" | cut -f1 ;;
    esac
}

# A line of candidates must hold the word expected.
expect_completion() {
    local got
    got=$(complete_line "$1")
    grep -qF -- "$2" <<<"$got" || fail "$what completes '$1' without '$2': $got"
}

# zsh: one interactive zsh in a pseudo-terminal completes each line given
# (pairs of a line and the word it must show) with Tab, waiting up to five
# seconds for the word; the line is then erased for the next.
expect_zsh_completions() {
    zsh -f -c '
        zmodload zsh/zpty
        zpty -b z "zsh -f -i"
        zpty -w z "PS1=\"> \"; fpath=($1 \$fpath); autoload -Uz compinit; compinit -u -D; echo READY"
        zpty -r z line "*READY*"; zpty -r z line "*> "
        shift
        while (( $# )); do
            zpty -w -n z "$1"$'"'\t'"'
            shown="" tries=0
            while [[ $shown != *"$2"* ]] && (( tries++ < 50 )); do
                sleep 0.1; zpty -r -t z out && shown+=$out
            done
            [[ $shown == *"$2"* ]] || { print -r -- "FAIL: zsh completes $1 without $2: $shown"; exit 1 }
            zpty -w -n z $'"'\C-u'"'; shift 2
        done
        zpty -d z' _ "$(dirname "$text")" "$@" >&2
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case $what in
man)
    page=$(sed -n '/^# OPTIONS/,/^# /p' "$text" | grep -o '^\*-[^ ]*\*\(, \*-[^*]*\*\)\{0,1\}' |
        grep -o -- '-[^*]*' | sort -u)
    same_options "--help" "$(help_options)" "$(basename "$text")" "$page" ;;
bash | fish | zsh)
    command -v "$what" >/dev/null || exit 77
    mkdir "$work/folder"
    touch "$work/B12.twi" "$work/SDP_I3.CSV" "$work/notes.txt"
    cd "$work"
    cases=("veltrane-convert --str" "--strict" "veltrane-convert --plot s" "svg"
        "veltrane-convert --to t" "twi" "veltrane-convert SDP" "SDP_I3.CSV")
    if [ "$what" = zsh ]; then
        expect_zsh_completions "${cases[@]}"
    else
        same_options "--help" "$(help_options)" "$what completion" "$(complete_line "veltrane-convert -" | sort -u)"
        for ((i = 0; i < ${#cases[@]}; i += 2)); do
            expect_completion "${cases[i]}" "${cases[i + 1]}"
        done
        got=$(complete_line "veltrane-convert ")
        grep -q notes.txt <<<"$got" && fail "$what offers a file that is no survey: $got"
        grep -q folder <<<"$got" || fail "$what offers no folder: $got"
    fi ;;
esac
echo "$what: $(basename "$text") agrees with $(basename "$program") --help"
