"""A private desktop for end-to-end tests of the real program.

A private Xvfb, a private D-Bus session with the accessibility bus, the program started with
its proxies pointed at a loopback port of the caller's, and the program's window as the
accessibility tree (AT-SPI) shows it. Every process started here lives in a process group of
its own and ends, with its group, when the session ends or the test script dies.
"""

import ctypes
import os
import select
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

STEP_TIMEOUT = 20  # seconds for each thing to appear


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=STEP_TIMEOUT):
    """Polls probe() until it gives something true, and gives that."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.1)


def read_line(fd, what, timeout=STEP_TIMEOUT):
    """One line that a child writes to the pipe `fd`."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            raise Failure(f"timed out waiting for {what}")
        chunk = os.read(fd, 256)
        if not chunk:
            raise Failure(f"{what}: the process ended first")
        data += chunk
    return data.decode().strip()


def end_with_parent():
    """In a child before exec: receive SIGTERM when this script dies, even by SIGKILL."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Processes:
    """Starts children in process groups of their own and ends the groups."""

    def __init__(self):
        self.started = []

    def start(self, args, **kwargs):
        process = subprocess.Popen(args, start_new_session=True, preexec_fn=end_with_parent,
                                   **kwargs)
        self.started.append(process)
        return process

    def end_all(self):
        for process in reversed(self.started):
            for sig, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
                try:
                    os.killpg(process.pid, sig)
                except ProcessLookupError:
                    break  # nothing left in the group
                try:
                    process.wait(grace)
                except subprocess.TimeoutExpired:
                    continue
                if sig == signal.SIGTERM:
                    time.sleep(0.2)  # let the group's other members go too


class ClosingProxy:
    """A loopback port that accepts connections and closes them at once."""

    def __init__(self):
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.socket.bind(("127.0.0.1", 0))
        self.socket.listen(16)
        self.port = self.socket.getsockname()[1]
        self.connections = 0
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                connection, _ = self.socket.accept()
            except OSError:
                return  # closed
            self.connections += 1
            connection.close()

    def close(self):
        self.socket.close()


def start_x_server(processes):
    read_end, write_end = os.pipe()
    try:
        processes.start(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        return ":" + read_line(read_end, "the X server")
    finally:
        os.close(read_end)


def start_session_bus(processes, env):
    read_end, write_end = os.pipe()
    try:
        processes.start(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile",
             f"--print-address={write_end}"],
            pass_fds=(write_end,), env=env, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        return read_line(read_end, "the D-Bus session")
    finally:
        os.close(read_end)


def program_environment(base, proxy_port):
    env = {k: v for k, v in base.items()
           if k.lower() not in ("no_proxy", "all_proxy", "http_proxy", "https_proxy")}
    proxy = f"http://127.0.0.1:{proxy_port}"
    env.update(http_proxy=proxy, https_proxy=proxy, HTTP_PROXY=proxy, HTTPS_PROXY=proxy,
               QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1")
    return env


def find_window():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Korvelin$"],
                           capture_output=True, text=True, timeout=10)
    ids = found.stdout.split()
    return ids[0] if ids else None


def find(accessible, predicate):
    """The first accessible in the tree below `accessible` (itself included) that fits."""
    try:
        if predicate(accessible):
            return accessible
        for i in range(accessible.childCount):
            hit = find(accessible.getChildAtIndex(i), predicate)
            if hit is not None:
                return hit
    except Exception:  # a node that went away while we looked
        return None
    return None


class AccessibleWindow:
    """The program's window as the accessibility tree shows it."""

    def __init__(self, pyatspi, pid):
        self.pyatspi = pyatspi
        self.pid = pid

    def _application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        desktop.clearCache()
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.pid:
                    app.clearCache()
                    return app
            except Exception:
                continue
        return None

    def _first(self, role):
        app = self._application()
        return None if app is None else find(app, lambda a: a.getRole() == role)

    def status_panes(self):
        """The texts of the status bar's panes, or None while it cannot be seen."""
        bar = self._first(self.pyatspi.ROLE_STATUS_BAR)
        if bar is None:
            return None
        return [bar.getChildAtIndex(i).name for i in range(bar.childCount)]

    def start_caption(self):
        """The caption of the first push button, 按钮1."""
        button = self._first(self.pyatspi.ROLE_PUSH_BUTTON)
        return None if button is None else button.name

    def start_button(self):
        return self._first(self.pyatspi.ROLE_PUSH_BUTTON)

    def check_box(self, caption):
        app = self._application()
        return None if app is None else find(
            app, lambda a: a.getRole() == self.pyatspi.ROLE_CHECK_BOX and a.name == caption)

    def edit_boxes(self):
        """The edit boxes in the order of their names: 编辑框1, 编辑框2, 编辑框3, 编辑框4."""
        app = self._application()
        boxes = []
        if app is not None:
            find(app, lambda a: a.getRole() == self.pyatspi.ROLE_TEXT and boxes.append(a))
        return boxes

    def box_text(self, index):
        """The whole text of edit box 编辑框<index>, or None while it cannot be read."""
        boxes = self.edit_boxes()
        if len(boxes) < index:
            return None
        text = boxes[index - 1].queryText()
        return text.getText(0, text.characterCount)

    def set_box_text(self, index, value):
        self.edit_boxes()[index - 1].queryEditableText().setTextContents(value)


def center(accessible):
    """The screen position of the middle of what `accessible` shows."""
    import pyatspi
    extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x + extents.width // 2, extents.y + extents.height // 2


def click(target):
    """A real mouse click in the middle of an accessible, or at a screen position (x, y).

    While the program waits for a request it answers the accessibility tree late, so a test
    that must click in time asks for the position beforehand."""
    x, y = target if isinstance(target, tuple) else center(target)
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True,
                   timeout=10)


class Desktop:
    """A private X server and session bus; starts the program on them.

    Use as a context manager: everything it started ends with it.
    """

    def __enter__(self):
        self.processes = Processes()
        self._home = tempfile.TemporaryDirectory(prefix="korvelin-x-")
        home = self._home.name
        os.chmod(home, 0o700)
        self.log_path = os.path.join(home, "program.log")
        self.env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=home,
                        XDG_CACHE_HOME=os.path.join(home, "cache"),
                        XDG_CONFIG_HOME=os.path.join(home, "config"))
        try:
            self.env["DISPLAY"] = start_x_server(self.processes)
            self.env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(self.processes, self.env)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        os.environ.update({k: self.env[k] for k in (
            "DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "HOME",
            "XDG_CACHE_HOME", "XDG_CONFIG_HOME")})
        import pyatspi  # only now: it joins the session bus named in the environment
        self.pyatspi = pyatspi
        return self

    def __exit__(self, kind, value, traceback):
        if kind is not None and kind is not KeyboardInterrupt and os.path.exists(self.log_path):
            with open(self.log_path, "rb") as log:
                sys.stderr.write(log.read().decode(errors="replace"))
        self.processes.end_all()
        self._home.cleanup()
        return False

    def start_program(self, program, proxy_port):
        """Starts the program with its proxies at 127.0.0.1:proxy_port; gives its process,
        its window as the accessibility tree shows it, and its X window id, once the window
        shows the waiting text."""
        with open(self.log_path, "ab") as log:
            process = self.processes.start(
                [program], env=program_environment(self.env, proxy_port), stdout=log,
                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        window = AccessibleWindow(self.pyatspi, process.pid)
        window_id = wait_for("the window", find_window)
        wait_for("the waiting text",
                 lambda: window.status_panes() == ["状态", "等待操作开始..."])
        return process, window, window_id


def close_with_escape(process, window_id):
    """Presses Esc in the window and checks that the program ends with status 0."""
    subprocess.run(["xdotool", "windowfocus", "--sync", window_id, "key", "Escape"],
                   check=True, timeout=10)
    try:
        status = process.wait(STEP_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after Esc")
    if status != 0:
        raise Failure(f"the program ended with status {status}")


def main(run, usage, arguments):
    """Runs `run(*absolute paths)` as a test script: 0 when it passes, 1 when it fails."""
    # A CTest time-out sends SIGTERM first: clean up as after a failure.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAILED: terminated"))
    if len(sys.argv) != arguments + 1:
        print(usage, file=sys.stderr)
        return 2
    try:
        run(*map(os.path.abspath, sys.argv[1:]))
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    return 0


