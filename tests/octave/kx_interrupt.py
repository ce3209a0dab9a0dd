#!/usr/bin/env python3
"""Ctrl-C in a real Octave: long KX4410_SendPWM and KX4410_PID calls on the
simulated board's real clock, each stopped by a SIGINT from outside a
fraction of a second after it began.

  kx_interrupt.py interactive OCTAVE_CLI TOOLBOX TESTS RUNS
      octave-cli on a pseudo-terminal, statements typed at its prompt, and
      Ctrl-C typed on the terminal (its line discipline sends the SIGINT)
  kx_interrupt.py script OCTAVE_CLI TOOLBOX TESTS RUNS
      octave-cli kx_interrupt_script.m, SIGINT sent to the process

Each run would last 20 s or more; the signal comes half a second to a
second and a half after it began. A stopped run must have begun fewer than
half of its steps (PWM periods, PID steps, counted in the board's log),
raise the interrupt message with its identifier, assign no result and
leave DA 0 at 2047; and a KX4410_ReadAD after it must work. The interactive
session also types a plain statement, as a user does, and sees Octave's
error and its prompt again. Prints each stop's latency on the board's
clock, then their median and maximum: figures, not a verdict, since a
loaded machine may stop late (scripts/bench measures them).
"""
import atexit
import os
import pty
import random
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

KINDS = ["pwm", "pwmrest", "pid"]
FUNCTION = {"pwm": "KX4410_SendPWM", "pwmrest": "KX4410_SendPWM", "pid": "KX4410_PID"}
IDENTIFIER = {"pwm": "KX4410:SendPWM:interrupted", "pwmrest": "KX4410:SendPWM:interrupted",
              "pid": "KX4410:PID:interrupted"}
STEP_TIMEOUT_S = 30.0


class Octave:
    """An octave-cli whose output is read line by line, on a pty or a pipe."""

    started = []

    def __init__(self, argv, on_pty):
        self.buffer = ""
        Octave.started.append(self)
        if on_pty:
            # Readline would stop half a second at every ")" typed, to show
            # its matching "(".
            inputrc = tempfile.NamedTemporaryFile("w", suffix=".inputrc", delete=False)
            inputrc.write("set blink-matching-paren off\n")
            inputrc.close()
            self.pid, self.fd = pty.fork()
            if self.pid == 0:
                os.environ["INPUTRC"] = inputrc.name
                os.execvp(argv[0], argv)
            atexit.register(os.unlink, inputrc.name)
        else:
            self.proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            self.pid, self.fd = self.proc.pid, self.proc.stdout.fileno()

    def type(self, text):
        os.write(self.fd, text.encode())

    def expect(self, pattern):
        """Reads until pattern matches; returns the match and consumes up to its end."""
        deadline = time.time() + STEP_TIMEOUT_S
        regex = re.compile(pattern)
        while True:
            m = regex.search(self.buffer)
            if m:
                self.buffer = self.buffer[m.end():]
                return m
            left = deadline - time.time()
            if left <= 0:
                fail(f"no {pattern!r} from Octave within {STEP_TIMEOUT_S} s; it printed:\n{self.buffer}")
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    fail(f"Octave ended before {pattern!r}; it printed:\n{self.buffer}")
                self.buffer += chunk.decode(errors="replace").replace("\r", "")

    def wait(self):
        deadline = time.time() + STEP_TIMEOUT_S
        while time.time() < deadline:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.05)
        os.kill(self.pid, signal.SIGKILL)
        fail("Octave did not end")


def fail(message):
    print("FAIL: " + message)
    for octave in Octave.started:
        try:
            os.kill(octave.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    sys.exit(1)


def check(ok, message):
    if not ok:
        fail(message)


def pause_before_ctrl_c():
    """Long enough for the run to be well under way on a loaded machine."""
    time.sleep(random.uniform(0.5, 1.5))


def check_stopped_early(name, steps, natural):
    check(0 < steps < natural / 2, f"{name}stopped after {steps} of its {natural} steps")


def stopped_run(octave, send_ctrl_c):
    """Waits for a run to start, stops it and checks how it ended; returns the latency in s."""
    armed = octave.expect(r"@@armed (\S+) (\S+) (\S+)\n")
    kind, wall0, board0 = armed.group(1), float(armed.group(2)), float(armed.group(3))
    pause_before_ctrl_c()
    wall_signal = time.time()
    send_ctrl_c()
    stopped = octave.expect(r"@@stopped (\S+) (\S+) (\S+) (\S+) (\S+) (\S+)\n")
    raised = octave.expect(r"@@message (\S*) ([^\n]*)\n")
    readings = octave.expect(r"@@readad (\S+)\n").group(1)
    # The two clocks are read apart, and on a loaded machine far apart: a
    # figure to print, nothing to judge by.
    latency = float(stopped.group(2)) - (board0 + (wall_signal - wall0))
    name = f"{kind}: "
    check(stopped.group(1) == kind, name + "the run that stopped is another")
    check(raised.group(2) == FUNCTION[kind] + ": KX4410 run interrupted!",
          name + "message " + repr(raised.group(2)))
    check(raised.group(1) == IDENTIFIER[kind], name + "identifier " + repr(raised.group(1)))
    check(stopped.group(4) == "0", name + "a result was assigned")
    check(stopped.group(3) == "2047", name + "DA 0 holds " + stopped.group(3))
    check_stopped_early(name, int(stopped.group(5)), int(stopped.group(6)))
    check(readings == "3", name + "the KX4410_ReadAD after it took " + readings + " readings")
    print(f"{kind:8} stopped after {int(stopped.group(5)):5} of {int(stopped.group(6))} steps, "
          f"{1000 * latency:6.2f} ms after the signal")
    return latency


# The exit status that tells CTest the test could not run here.
SKIPPED = 77


def interactive(octave_cli, toolbox, tests, runs):
    try:
        for fd in os.openpty():
            os.close(fd)
    except OSError as e:
        # A container or chroot without /dev/pts has no terminal to type on.
        print(f"no pseudo-terminal here ({e}): the interactive stops are not tried")
        sys.exit(SKIPPED)
    octave = Octave([octave_cli, "--no-history", "--norc", "--no-window-system", "--quiet"], True)

    def ctrl_c():
        octave.type("\x03")

    prompt = r"octave:\d+> $"
    octave.expect(prompt)
    octave.type(f"more off; addpath ('{toolbox}'); addpath ('{tests}');\n")
    octave.expect(prompt)

    # As a user types it: no try/catch, Octave shows the error and prompts again.
    for kind, result, natural, statement in [
            ("pwm", "done", 5000, "done = KX4410_SendPWM (0, 3071, 9, 8191, 5000)"),
            ("pid", "t", 20000, "[t, y, e, u] = KX4410_PID (0, 0, 0, 0, 2 * ones (1, 20000), "
                                "1000, 3, 0.1, 0.002)")]:
        octave.type(f'kx_open (); kxsim ("clock", "real"); disp (["@@" "go"]); {statement}\n')
        octave.expect(r"@@go\n")
        pause_before_ctrl_c()
        ctrl_c()
        octave.expect(r"error: " + FUNCTION[kind] + r": KX4410 run interrupted!\n")
        octave.expect(prompt)
        octave.type(f'[~, id] = lasterr (); printf ("@@after %d %d %s %d\\n", exist ("{result}", "var"), '
                    f'kxsim ("da", 0), id, kx_interrupt_steps ("{kind}"))\n')
        after = octave.expect(r"@@after (\S+) (\S+) (\S+) (\S+)\n")
        check(after.groups()[:3] == ("0", "2047", IDENTIFIER[kind]),
              f"typed {kind}: assigned, DA 0 and identifier are {after.groups()[:3]}")
        check_stopped_early(f"typed {kind}: ", int(after.group(4)), natural)
        octave.type('v = KX4410_ReadAD (2, 0, 0, 3); printf ("@@readad %d\\n", numel (v))\n')
        check(octave.expect(r"@@readad (\S+)\n").group(1) == "3", f"typed {kind}: ReadAD after it")
        print(f"{kind:8} typed at the prompt: stopped after {after.group(4)} of {natural} steps, "
              "the prompt back, DA 0 at 2047")

    latencies = []
    for k in range(runs):
        octave.expect(prompt)
        octave.type(f'kx_interrupt_run ("{KINDS[k % len(KINDS)]}")\n')
        latencies.append(stopped_run(octave, ctrl_c))
    octave.expect(prompt)
    octave.type("exit\n")
    check(octave.wait() == 0, "Octave did not exit cleanly")
    return latencies


def script(octave_cli, toolbox, tests, runs):
    kinds = [KINDS[k % len(KINDS)] for k in range(runs)]
    octave = Octave([octave_cli, "--no-history", "--norc", "--no-window-system",
                     os.path.join(tests, "kx_interrupt_script.m"), toolbox] + kinds, False)
    latencies = [stopped_run(octave, lambda: os.kill(octave.pid, signal.SIGINT)) for _ in kinds]
    octave.expect(r"@@end\n")
    check(octave.wait() == 0, "the script did not end with status 0")
    return latencies


def main():
    if len(sys.argv) != 6 or sys.argv[1] not in ("interactive", "script"):
        print(__doc__)
        sys.exit(2)
    mode, octave_cli, toolbox, tests, runs = sys.argv[1:]
    latencies = sorted((interactive if mode == "interactive" else script)(
        octave_cli, toolbox, tests, int(runs)))
    median = latencies[len(latencies) // 2]
    print(f"{mode}: {len(latencies)} stops, median {1000 * median:.2f} ms, "
          f"max {1000 * latencies[-1]:.2f} ms after the signal")


if __name__ == "__main__":
    main()
