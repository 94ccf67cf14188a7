#!/usr/bin/env bash
# Prints what the bash completion FILE offers for each line of words on standard input (the
# last word is the one completed; '' is an empty word), one line of |-separated offers each.
# shellcheck source=/dev/null
source "$1"
while read -r line; do
    eval "COMP_WORDS=($line)"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tallowbrook_cli "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s|' "${COMPREPLY[@]}"
    echo
done
