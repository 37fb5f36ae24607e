#!/bin/sh
# One mutant's run, as Stryker's command runner starts it in its copy of the tree: the
# mutant Stryker names (none for its first run) is asked of the run's pages server
# (serve.py, which scripts/mutation.sh started and whose socket it names), which tries it
# on its script's page in the shell it keeps; the mutant survived when every row passed.
#   VELTRANO_MUTATION_SOCKET: set by scripts/mutation.sh, which ends the run with
#   `mutant.sh quit`.
request=${1:-"$PWD/browser/compat ${__STRYKER_ACTIVE_MUTANT__:-}"}
exec /usr/bin/python3 -S -c '
import socket, sys
with socket.socket(socket.AF_UNIX) as server:
    server.connect(sys.argv[1])
    server.sendall(f"{sys.argv[2]}\n".encode())
    try:
        answer = server.makefile().readline().strip()
    except OSError:  # the server ending on "quit"
        answer = ""
print(answer)
sys.exit(answer != "survived")' "$VELTRANO_MUTATION_SOCKET" "$request"
