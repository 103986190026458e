# bash completion for veltrane-convert: its options, the formats of --to,
# the picture types of --plot, pictures for --compare, and survey files
# (.twi, .csv in any letter case) and folders. Needs nothing of the bash-completion package.

_veltrane_convert() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    case $prev in
    --to)
        mapfile -t COMPREPLY < <(compgen -W 'csv twi' -- "$cur")
        return
        ;;
    --plot)
        mapfile -t COMPREPLY < <(compgen -W 'svg png pdf' -- "$cur")
        return
        ;;
    --page)
        mapfile -t COMPREPLY < <(compgen -W 'a4 letter' -- "$cur")
        return
        ;;
    -o | --output-dir)
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --compare)
        # A picture to write: folders, and pictures that may be replaced.
        compopt -o filenames 2>/dev/null
        local picture
        while IFS= read -r picture; do
            case ${picture,,} in
            *.svg | *.png | *.pdf) COMPREPLY+=("$picture") ;;
            *) [[ -d $picture ]] && COMPREPLY+=("$picture") ;;
            esac
        done < <(compgen -f -- "$cur")
        return
        ;;
    --site)
        return
        ;;
    --borehole)
        return
        ;;
    --depth-unit)
        mapfile -t COMPREPLY < <(compgen -W 'feet meters' -- "$cur")
        return
        ;;
    -j | --jobs | --limit | --plot-size)
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--to --strict -n --no-clobber -j --jobs
            --info --limit --plot --plot-size --page --compare --help --version --depth-unit --borehole --site --json -q --quiet -r --recursive -o --output-dir' -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    local path
    while IFS= read -r path; do
        if [[ -d $path ]]; then
            COMPREPLY+=("$path")
        else
            case ${path,,} in
            *.twi | *.csv) COMPREPLY+=("$path") ;;
            esac
        fi
    done < <(compgen -f -- "$cur")
}
complete -F _veltrane_convert veltrane-convert
