# bash completion for fendix-search                                  -*- shell-script -*-
# Installed as /usr/share/bash-completion/completions/fendix-search, where bash-completion
# finds it; it needs nothing of bash-completion's own functions.

_fendix_search()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # "--option=value": bash makes "=" a word of its own; a value is completed after it.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    local IFS=$'\n'

    case $prev in
    --on-match)
        COMPREPLY=($(compgen -W $'continue\nfile\nsection\nmenu\nquit' -- "$cur"))
        return
        ;;
    --format)
        COMPREPLY=($(compgen -W $'events\ntext\njson' -- "$cur"))
        return
        ;;
    --color)
        COMPREPLY=($(compgen -W $'auto\nalways\nnever' -- "$cur"))
        return
        ;;
    --c1 | --c2 | --c3 | --select)
        COMPREPLY=()
        return
        ;;
    --annex)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"
            compgen -f -X '!*.[Aa][Ss][Cc]' -- "$cur"
            compgen -f -X '!*.[Bb][Bb][Ss]' -- "$cur"))
        return
        ;;
    --ini)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"
            compgen -f -X '!*.[Ii][Nn][Ii]' -- "$cur"))
        return
        ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W $'--c1\n--c2\n--c3\n--non1\n--non2\n--non3\n--ou2\n--ou3
--ignore-case\n--select\n--annex\n--annexes-first\n--no-annex-check\n--on-match\n--ini
--format\n--color\n--trace\n--count\n--files-with-matches\n-l\n--list\n--help\n-h' -- "$cur"))
        return
    fi
    # DIR: a folder, or a CD image (.iso, .img, .cue).
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -d -- "$cur"
        compgen -f -X '!*.[Ii][Ss][Oo]' -- "$cur"
        compgen -f -X '!*.[Ii][Mm][Gg]' -- "$cur"
        compgen -f -X '!*.[Cc][Uu][Ee]' -- "$cur"))
} &&
    complete -F _fendix_search fendix-search
