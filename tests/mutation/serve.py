"""The pages of the compatibility scripts for a whole mutation run, in one shell: started by
scripts/mutation.sh inside sandbox.sh, it waits on a unix socket for mutant.sh's requests.

    serve.py SOCKET

A request is a line "DIR ID": DIR, Stryker's copy of browser/compat, whose scripts hold all
of its mutants (Stryker's schemata), and ID the mutant to switch on, or none. The first
request makes compat.js of DIR, with the mutant read from the page's own address, and
starts the shell injecting it (GLib's resource overlay, as for any resource); the answers
of plain WebKit on the other host, which no mutant changes, are taken then, once. Each
request then walks the pages of the mutant's script (pages_for) on the service's host, at
/m<ID>/<script>.html, so that every frame and window of one mutant has its ID, in a window
another mutant's walk finished in, or a new one; several at once. The answer is a line,
"survived", or "killed" and why. A window that does not finish in time is closed; a shell that no longer answers
is started anew. A line "quit" ends the run."""

import os
import re
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from gi.repository import GLib  # noqa: E402

from compat_pages import PLAIN_HOST, Walk, all_scripts, closes, failures, serve  # noqa: E402
from shell_client import Client, shell_pid, start_shell  # noqa: E402
from veltrano_e2e import CONTENT_HOST, shell_running, wait_until  # noqa: E402

# A mutant's pages, at most; and how long a page may send nothing (harness.js asks for
# "alive" each second while it runs): a loop that does not end is told apart so.
DEADLINE = 60
SILENCE = 8
# What the instrumented scripts switch on: the ID in the page's address, /m<ID>/.
MUTANT_OF_PAGE = "globalThis.__stryker__ = { activeMutant: (/^\\/m([0-9]+)\\//.exec(location.pathname) || [])[1] };\n"


def users_by_script(compat_dir):
    """The scripts each hands something through `shared` (prelude.js): a mutant of one may
    show only in what the others do, on their pages."""
    texts = {}
    for name in os.listdir(compat_dir):
        if name.endswith(".js"):
            with open(os.path.join(compat_dir, name)) as script:
                texts[name[:-3]] = re.sub(r"//[^\n]*", "", script.read())  # what comments name is no use
    users = {}
    for name, text in texts.items():
        handed = set(re.findall(r"shared\.(\w+)\s*=", text))
        users[name] = sorted(
            other
            for other, used in texts.items()
            if other != name
            and any(
                re.search(r"shared\.%s\b|\{[^}]*\b%s\b[^}]*\} = shared\b" % (member, member), used) for member in handed
            )
        )
    return users


def mutants_by_script(compat):
    """Each script's mutants in the compat.js the build makes: its section's ids."""
    found = {}
    for section in re.split(r"\n// --- ", compat)[1:]:
        name, _, body = section.partition("\n")
        found[name.removesuffix(".js")] = set(re.findall(r'stryMutAct_9fa48\("([0-9]+)"\)', body))
    return found


class Run:
    def __init__(self):
        self.walks = {}
        self.servers = serve(self.walks)
        self.work = tempfile.mkdtemp()
        self.scripts = all_scripts()
        self.mutants = None  # by script, once the first request names Stryker's copy
        self.users = {}
        self.client = None
        self.plain = {}
        # Mutants are tried at once, each in its window; a shell started anew (generation)
        # has lost the windows of the others, which are tried again.
        self.lock = threading.RLock()
        self.generation = 0
        self.idle = []  # windows that walked to their end, for the next walks

    def prepare(self, compat_dir):
        """The shell with DIR's scripts, and plain WebKit's answers."""
        compat = os.path.join(self.work, "compat.js")
        subprocess.run(
            [
                "cmake",
                f"-DCOMPAT_DIR={compat_dir}",
                f"-DOUTPUT={compat}.body",
                "-P",
                os.path.join(compat_dir, "compat.cmake"),
            ],
            check=True,
        )
        with open(compat + ".body") as body:
            text = body.read()
        with open(compat, "w") as out:
            out.write(MUTANT_OF_PAGE + text)
        self.mutants = mutants_by_script(text)
        self.users = users_by_script(compat_dir)
        # no-scroll-bars.js is a resource of its own, run in the windows that asked for no bars.
        os.environ["G_RESOURCE_OVERLAYS"] = os.pathsep.join(
            [
                f"/org/veltrano/browser/compat.js={compat}",
                f"/org/veltrano/browser/no-scroll-bars.js={os.path.join(compat_dir, 'no-scroll-bars.js')}",
            ]
        )
        self.restart(0)
        walk = self.walk("", [f"http://{PLAIN_HOST}/{script}.html?plain" for script in self.scripts])
        self.plain = walk.results

    def restart(self, generation):
        """The shell started anew, unless it was since generation."""
        with self.lock:
            if generation != self.generation:
                return
            self.generation += 1
            if self.client:
                self.client.close()
                if shell_running():
                    os.kill(shell_pid(), 9)
                    wait_until(lambda: not shell_running(), 20, what="the shell to end")
            start_shell()
            self.idle = []
            self.client = Client()
            self.client.prepare()  # the shell stays while this run is on the bus

    def walk(self, prefix, urls):
        """urls walked in a window; the walk, done or not, and whether its last page closed
        the window. A window that walked to its end is kept for the next walk: a new page
        leaves nothing of the last but the window, and a new window costs a web process.
        Only window.js's page, last, closes its window."""
        walk = Walk(urls, fast=bool(prefix), closing=bool(prefix) and urls[-1].split("?")[0].endswith("/window.html"))
        walk.closed = False
        walk.generation = self.generation
        self.walks[prefix] = walk
        try:
            with self.lock:
                window = self.idle.pop() if self.idle else None
            if window is None:
                window = self.client.open(urls[0])
            else:
                self.client.invoke(window, "Navigate", GLib.Variant("s", urls[0]))
            walk.contact = time.monotonic()
            while not walk.done.wait(1):
                now = time.monotonic()
                if now - walk.start > DEADLINE or now - walk.contact > SILENCE:
                    break
            walk.closed = walk.closing and closes(self.client, window)
            if walk.done.is_set() and not walk.closing:
                with self.lock:
                    if walk.generation == self.generation:
                        self.idle.append(window)
            elif not walk.closed:
                self.client.invoke(window, "Quit")
        except GLib.Error:
            self.restart(walk.generation)  # a shell that does not answer in ten seconds
        del self.walks[prefix]
        return walk

    def pages_for(self, mutant):
        """The scripts whose pages a mutant is tried with: its script's page, then those of
        the scripts it hands something to; every page, its own first, for prelude.js's,
        which every script uses. The run without a mutant: the pages of the scripts mutated."""
        if not mutant:
            mutated = [name for name in self.scripts if self.mutants.get(name)]
            return self.scripts if self.mutants.get("prelude") or not mutated else mutated
        script = next((name for name, ids in self.mutants.items() if mutant in ids), None)
        if script in self.scripts and script != "prelude":
            return [script] + [name for name in self.users.get(script, []) if name in self.scripts]
        return sorted(self.scripts, key=lambda name: name != script)

    def answer(self, compat_dir, mutant):
        with self.lock:
            if self.mutants is None:
                self.prepare(compat_dir)
        start = time.monotonic()
        scripts = self.pages_for(mutant)
        urls = [f"http://{CONTENT_HOST}/m{mutant}/{script}.html?fast" for script in scripts]
        walk = self.walk(f"/m{mutant}", urls)
        if walk.generation != self.generation:
            walk = self.walk(f"/m{mutant}", urls)
        # A fast walk ends at the first page with a row that fails: the pages after it are not told.
        told = [script for script in scripts if (CONTENT_HOST, script) in walk.results]
        failed, _ = failures(walk.results, told, self.plain)
        if not walk.done.is_set():
            failed.append(f"no answer after {len(told)} of {len(scripts)} pages")
        elif walk.closing and not walk.closed:
            failed.append("window.close() left the window open")
        verdict = "killed: " + "; ".join(failed[:3]) if failed else "survived"
        print(f"{mutant or '-'} {time.monotonic() - start:.2f} s {verdict}", file=sys.stderr, flush=True)
        return verdict


def serve_one(run, connection):
    with connection, connection.makefile("rw") as stream:
        request = stream.readline().split()
        stream.write(run.answer(request[0], request[1] if len(request) > 1 else "") + "\n")


def main(path):
    run = Run()
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(4)
    while True:
        connection, _ = listener.accept()
        if connection.recv(5, socket.MSG_PEEK) == b"quit\n":
            break
        threading.Thread(target=serve_one, args=(run, connection), daemon=True).start()
    listener.close()
    os.unlink(path)


if __name__ == "__main__":
    main(sys.argv[1])
