#!/usr/bin/env python3
"""quenzal-cli at a real terminal, a pseudo-terminal that is its controlling
terminal: where it asks, what it shows, and what typing there does; and its
bash completion. Every wait polls for the state it needs, with a generous
limit, so that a loaded machine only makes it slower.

    terminal.py <quenzal-cli> <bash completion file> [unittest arguments]
"""

import fcntl
import os
import pty
import select
import subprocess
import sys
import tempfile
import termios
import time
import unittest

CLI, COMPLETION = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
PATIENCE = 30.0
TEXT = b"Meet me at noon, by the old mill.\r\n"


class Terminal:
    """The program (or a shell) started with a pseudo-terminal as its
    controlling terminal; each standard stream not given is the terminal, a
    name is a file to read or write."""

    def __init__(self, argv, cwd, **streams):
        self.master, slave = pty.openpty()
        name = os.ttyname(slave)

        def take_terminal():
            descriptor = os.open(name, os.O_RDWR)
            fcntl.ioctl(descriptor, termios.TIOCSCTTY, 0)
            os.close(descriptor)

        files = []
        for stream in ("stdin", "stdout", "stderr"):
            streams.setdefault(stream, slave)
            if isinstance(streams[stream], str):
                files.append(open(os.path.join(cwd, streams[stream]),
                                  "rb" if stream == "stdin" else "wb"))
                streams[stream] = files[-1]
        self.process = subprocess.Popen(argv, cwd=cwd, start_new_session=True,
                                        preexec_fn=take_terminal, **streams)
        os.close(slave)
        for file in files:
            file.close()
        self.shown = b""
        self.seen = 0  # how much of `shown` the waits have passed

    def _read(self, timeout):
        ready, _, _ = select.select([self.master], [], [], timeout)
        if ready:
            try:
                self.shown += os.read(self.master, 4096)
            except OSError:  # the program has ended
                pass

    def _poll(self, condition, what):
        deadline = time.monotonic() + PATIENCE
        while not condition():
            if time.monotonic() > deadline:
                raise AssertionError(f"waited in vain for {what}; shown: {self.shown!r}")
            self._read(0.05)

    def wait_for(self, text):
        """Waits until `text` shows after what earlier waits found."""
        self._poll(lambda: self.shown.find(text, self.seen) >= 0, repr(text))
        self.seen = self.shown.find(text, self.seen) + len(text)

    def echoes(self):
        return bool(termios.tcgetattr(self.master)[3] & termios.ECHO)

    def wait_for_echo(self, on):
        self._poll(lambda: self.echoes() == on, f"echo {'on' if on else 'off'}")

    def type(self, text):
        os.write(self.master, text)

    def finish(self):
        """Waits for the end: the exit status; `output` and `errors` hold
        what went to standard output and error through pipes."""
        if self.process.stdin:
            self.process.stdin.close()
            self.process.stdin = None
        self.output, self.errors = self.process.communicate(timeout=PATIENCE)
        self._read(0)
        os.close(self.master)
        return self.process.returncode


class TerminalTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.dir = self.folder.name
        self.write("in.txt", TEXT)

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as file:
            file.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as file:
            return file.read()

    def reference(self, one, two):
        """The text scrambled with passwords given by files."""
        self.write("one", one + b"\n")
        self.write("two", two + b"\n")
        return subprocess.run([CLI, "scramble", "--password-file", self.path("one"),
                               "--second-password-file", self.path("two")],
                              input=TEXT, capture_output=True, check=True,
                              timeout=PATIENCE).stdout

    def type_passwords(self, terminal, one, two):
        for prompt, typed in ((b"First password: ", one), (b"First password again: ", one),
                              (b"Second password: ", two), (b"Second password again: ", two)):
            terminal.wait_for(prompt)
            self.assertFalse(terminal.echoes())
            terminal.type(typed + b"\n")

    def test_piped_text_is_asked_for_on_the_terminal(self):
        terminal = Terminal([CLI, "scramble"], self.dir, stdin=subprocess.PIPE,
                            stdout="out.txt", stderr=subprocess.PIPE)
        terminal.process.stdin.write(TEXT)
        terminal.process.stdin.close()
        self.type_passwords(terminal, "Äpfel".encode(), b"Birnen")
        self.assertEqual(terminal.finish(), 0)
        self.assertEqual(terminal.errors, b"")
        self.assertEqual(self.read("out.txt"), self.reference("Äpfel".encode(), b"Birnen"))
        self.assertNotIn(b"Birnen", terminal.shown)

    def test_prompt_shows_with_standard_error_thrown_away(self):
        terminal = Terminal([CLI, "scramble", "in.txt", "out.txt"], self.dir,
                            stderr=subprocess.DEVNULL)
        self.type_passwords(terminal, b"one", b"")
        self.assertEqual(terminal.finish(), 0)
        self.assertEqual(self.read("out.txt"), self.reference(b"one", b""))

    def test_two_entries_that_differ_write_nothing(self):
        terminal = Terminal([CLI, "scramble", "in.txt", "out.txt"], self.dir,
                            stderr=subprocess.PIPE)
        terminal.wait_for(b"First password: ")
        terminal.type(b"one\n")
        terminal.wait_for(b"First password again: ")
        terminal.type(b"uno\n")
        self.assertEqual(terminal.finish(), 3)
        self.assertEqual(terminal.errors,
                         b"quenzal-cli: The two entries of the first password differ: "
                         b"nothing was scrambled.\n")
        self.assertFalse(os.path.exists(self.path("out.txt")))

    def test_end_of_input_at_a_prompt_cancels(self):
        for command in ("unscramble", "encrypt"):
            with self.subTest(command):
                terminal = Terminal([CLI, command], self.dir, stdin="in.txt",
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                prompt = b"Password: " if command == "encrypt" else b"First password: "
                terminal.wait_for(prompt)
                terminal.type(b"\x04")
                self.assertEqual(terminal.finish(), 3)
                self.assertEqual(terminal.output, b"")
                self.assertIn(b"was not typed (the input ended): nothing was ",
                              terminal.errors)

    def test_stopped_and_continued_asks_again_without_echo(self):
        # A shell with job control, as the user's: Ctrl-Z gives it the
        # terminal, and it continues the program with fg once told to.
        script = '"$@"; echo stopped; read go; fg'
        terminal = Terminal(["sh", "-mc", script, "sh", CLI, "scramble", "in.txt", "out.txt"],
                            self.dir)
        terminal.wait_for(b"First password: ")
        terminal.type(b"half")
        terminal.type(b"\x1a")
        terminal.wait_for(b"stopped")
        self.assertTrue(terminal.echoes())
        terminal.type(b"\n")
        self.type_passwords(terminal, b"whole", b"second")
        self.assertEqual(terminal.finish(), 0)
        self.assertEqual(self.read("out.txt"), self.reference(b"whole", b"second"))

    def test_descriptor_on_the_terminal_does_not_echo(self):
        # Both lines typed at once: the second waits for its turn, unseen.
        terminal = Terminal([CLI, "scramble", "--password-fd", "0", "--second-password-fd", "0",
                             "in.txt", "out.txt"], self.dir)
        terminal.wait_for_echo(False)
        terminal.type(b"secret\nsecond\n")
        self.assertEqual(terminal.finish(), 0)
        self.assertNotIn(b"secret", terminal.shown)
        self.assertNotIn(b"second", terminal.shown)
        self.assertEqual(self.read("out.txt"), self.reference(b"secret", b"second"))

    def test_binary_output_to_the_terminal_needs_force(self):
        for extra, status in (([], 2), (["--force"], 0)):
            with self.subTest(extra):
                terminal = Terminal([CLI, "scramble", "in.txt", "--no-password",
                                     "--no-second-password"] + extra, self.dir,
                                    stderr=subprocess.PIPE)
                self.assertEqual(terminal.finish(), status)
                self.assertEqual(terminal.errors.startswith(b"quenzal-cli: Standard output is a terminal"),
                                 status != 0)


class NamesTest(unittest.TestCase):
    """Names as the system gives them, UTF-8 or not: each is taken as its
    bytes, for the input, the output and a password file, and a message shows
    the bytes that are not UTF-8 by their codes. Each row runs its commands
    in a folder of its own, then compares the whole folder (name, mode,
    content; None: any content), so a temporary file left behind fails it."""

    NONE = [b"--no-password", b"--no-second-password"]

    def run_cli(self, folder, arguments, stdin=None):
        return subprocess.run([CLI] + arguments, cwd=folder, input=stdin, capture_output=True,
                              timeout=PATIENCE)

    def snapshot(self, folder):
        files = {}
        for name in os.listdir(folder):
            path = os.path.join(folder, name)
            if os.path.isdir(path):
                files[name] = "folder"
                continue
            with open(path, "rb") as file:
                files[name] = (os.stat(path).st_mode & 0o7777, file.read())
        return files

    def test_names_that_are_not_utf8(self):
        umask = os.umask(0)
        os.umask(umask)
        new = 0o666 & ~umask
        text = TEXT * 4000  # more than one of the program's blocks
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "secret"), "wb") as file:
                file.write(b"secret\n")
            scrambled = self.run_cli(folder, [b"scramble"] + self.NONE, text).stdout
            unscrambled = self.run_cli(folder, [b"unscramble", b"--password-file", b"secret",
                                                b"--no-second-password"], text).stdout
        cafe, password = b"caf\xe9.txt", [b"--password-file", b"pass\xe9"]
        rows = (
            # what, commands, status, standard output, standard error, files changed
            ("input", [[b"scramble", cafe] + self.NONE], 0, scrambled, b"", {}),
            ("new output", [[b"scramble", cafe, b"r\xe9sum\xe9.txt"] + self.NONE], 0, b"", b"",
             {b"r\xe9sum\xe9.txt": (new, scrambled)}),
            ("output replaced, its mode kept", [[b"scramble", cafe, b"old\xe9.txt"] + self.NONE],
             0, b"", b"", {b"old\xe9.txt": (0o640, scrambled)}),
            ("output that is the input, written in place",
             [[b"scramble", cafe, cafe] + self.NONE], 0, b"", b"",
             {cafe: (0o644, scrambled), b"link\xe9.txt": (0o644, scrambled)}),
            ("password file",
             [[b"unscramble", cafe, b"--no-second-password"] + password], 0, unscrambled, b"", {}),
            ("encrypted and decrypted",
             [[b"encrypt", cafe, b"m\xe9.asc"] + password,
              [b"decrypt", b"m\xe9.asc", b"back\xe9.txt"] + password], 0, b"", b"",
             {b"m\xe9.asc": None, b"back\xe9.txt": (new, text)}),
            ("missing input", [[b"scramble", b"gone\xff.txt"] + self.NONE], 4, b"",
             b'quenzal-cli: Could not read "gone<0xFF>.txt": No such file or directory.\n', {}),
            ("kind by the ending", [[b"scramble", b"notes\xe9.doc"] + self.NONE], 6, b"",
             b'quenzal-cli: Only .txt and .rtf files can be read; "notes<0xE9>.doc" was not '
             b"read.\n", {}),
            ("folder as output", [[b"scramble", cafe, b"d\xe9.txt"] + self.NONE], 8, b"",
             b'quenzal-cli: Could not write "d<0xE9>.txt": It is a folder, not a file.\n', {}),
            ("missing password file", [[b"scramble", cafe, b"--password-file", b"gone\xe9",
                                        b"--no-second-password"]], 3, b"",
             b'quenzal-cli: Could not read the first password from "gone<0xE9>": No such file '
             b"or directory.\n", {}),
            ("unknown command", [[b"scr\xe9mble", cafe]], 2, b"",
             b'quenzal-cli: Unknown command "scr<0xE9>mble": use scramble, unscramble, encrypt '
             b"or decrypt. (quenzal-cli --help lists the options and commands.)\n", {}),
        )
        for what, commands, status, output, errors, changed in rows:
            with self.subTest(what), tempfile.TemporaryDirectory() as folder:
                files = {cafe: (0o644, text), b"pass\xe9": (0o644, b"secret\n"),
                         b"old\xe9.txt": (0o640, b"old")}
                for name, (mode, content) in files.items():
                    with open(os.path.join(os.fsencode(folder), name), "wb") as file:
                        file.write(content)
                    os.chmod(os.path.join(os.fsencode(folder), name), mode)
                os.link(os.path.join(os.fsencode(folder), cafe),
                        os.path.join(os.fsencode(folder), b"link\xe9.txt"))
                os.mkdir(os.path.join(os.fsencode(folder), b"d\xe9.txt"))
                files.update({b"link\xe9.txt": files[cafe], b"d\xe9.txt": "folder"})
                for arguments in commands:
                    run = self.run_cli(folder, arguments)
                self.assertEqual((run.returncode, run.stderr), (status, errors))
                self.assertEqual(run.stdout, output)
                files.update(changed)
                after = self.snapshot(os.fsencode(folder))
                for name, value in files.items():
                    if value is None:
                        self.assertIn(name, after)
                        after[name] = None
                self.assertEqual(after, files)


class CompletionTest(unittest.TestCase):
    def complete(self, *words):
        script = ('source "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quenzal_cli; '
                  'printf "%s\\n" "${COMPREPLY[@]}"')
        return subprocess.run(["bash", "--norc", "-c", script, COMPLETION] + list(words),
                              capture_output=True, check=True, text=True,
                              timeout=PATIENCE).stdout.split()

    def test_completes_options_and_commands(self):
        self.assertEqual(self.complete("quenzal-cli", "--pass"),
                         ["--password-file", "--password-fd"])
        self.assertEqual(self.complete("quenzal-cli", "--no-password", "un"), ["unscramble"])

    def test_zsh_completes_options(self):
        # zsh's own completion system, the file on its function path, and Tab
        # pressed at a terminal: the common part goes in, the choices show.
        folder = os.path.dirname(COMPLETION)
        with tempfile.TemporaryDirectory() as home:
            terminal = Terminal(["zsh", "-f"], home, env=dict(os.environ, TERM="xterm"))
            terminal.type(b"fpath=(" + os.fsencode(folder) + b" $fpath); autoload -Uz compinit; "
                          b"compinit -u -D; unsetopt list_ambiguous; PS1='ready''> '\n")
            terminal.wait_for(b"ready> ")
            terminal.type(b"quenzal-cli --pass\t")
            terminal.wait_for(b"--password-fd ")
            terminal.wait_for(b"--password-file ")
            terminal.wait_for(b"quenzal-cli --password-f")
            self.assertNotIn(b"--no-password", terminal.shown)
            terminal.type(b"\x15exit\n")
            self.assertEqual(terminal.finish(), 0)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
