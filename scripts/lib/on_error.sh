# shellcheck shell=bash
# Sourced by the scripts that run under "set -e": a command that fails ends the script with a
# line naming the script, the line and the command, never in silence. Commands tested by if,
# while, && or || do not count as failures. Inside a subshell or a command substitution only the
# outer command is named, once.
torv_on_error() { # torv_on_error <status> <line> <command> <script>
    [ "$BASHPID" = "$$" ] || return 0
    echo "$(basename "$4"): line $2: '$3' failed (exit $1)" >&2
}
set -E
trap 'torv_on_error $? $LINENO "$BASH_COMMAND" "${BASH_SOURCE[0]:-$0}"' ERR

# die <sentence>: ends the script with a sentence that says what to do.
die() {
    echo "$(basename "$0"): $*" >&2
    exit 1
}
