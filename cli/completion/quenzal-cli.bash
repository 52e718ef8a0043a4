# bash completion for quenzal-cli                          -*- shell-script -*-
# Installed as /usr/share/bash-completion/completions/quenzal-cli; it needs
# nothing but bash itself.

_quenzal_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    case $prev in
    --password-file | --second-password-file)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    --password-fd | --second-password-fd)
        return
        ;;
    esac

    # The command: the first word that is neither an option nor its value.
    local i command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        --password-file | --second-password-file | --password-fd | --second-password-fd)
            ((i++))
            ;;
        -*) ;;
        *)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done

    if [[ $cur == -* ]]; then
        local options='--help --version --password-file --password-fd'
        case $command in
        scramble | unscramble)
            options+=' --no-password --second-password-file --second-password-fd'
            options+=' --no-second-password'
            ;;
        esac
        case $command in
        scramble | encrypt) options+=' --force' ;;
        esac
        [[ $command == encrypt ]] && options+=' --binary'
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W 'scramble unscramble encrypt decrypt' -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    case $command in
    scramble | unscramble)
        # Folders, and the .txt and .rtf files, as the program names them.
        mapfile -t COMPREPLY < <(compgen -d -- "$cur"
            compgen -f -X '!*.txt' -- "$cur"
            compgen -f -X '!*.rtf' -- "$cur")
        ;;
    *)
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        ;;
    esac
}
complete -F _quenzal_cli quenzal-cli
