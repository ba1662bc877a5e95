"""A headless Chromium driven through its remote-debugging protocol over a pipe.

The browser is started with --remote-debugging-pipe: it reads the protocol's JSON messages,
each ended by a NUL byte, on its file descriptor 3 and answers on 4. No port is opened, no
websocket client is needed and nothing beyond the standard library and Debian's chromium.
"""

import base64
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

# As this machine needs them: root needs --no-sandbox, and without the background-networking
# flags the browser's own connections are refused by the closed network and logged.
FLAGS = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--hide-scrollbars",
    "--remote-debugging-pipe",
]


class BrowserError(Exception):
    pass


class Browser:
    """One browser, one page; every wait is bounded by `timeout` seconds."""

    def __init__(self, width=1280, height=800, timeout=20.0, log_path=os.devnull):
        exe = shutil.which("chromium")
        if not exe:
            raise BrowserError("chromium is not installed (bash scripts/setup.sh installs it)")
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="tamberwick-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def in_child():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        self._log = open(log_path, "wb")
        self.proc = subprocess.Popen(
            [exe, *FLAGS, f"--user-data-dir={self.profile}", f"--window-size={width},{height}", "about:blank"],
            pass_fds=(3, 4), preexec_fn=in_child, stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buffer = b""
        self._next_id = 0
        self.events = []  # every event the page sent, in order
        self.console_errors = []
        self.requests = []
        try:
            self._attach(width, height)
        except Exception:
            self.close()
            raise

    # ---- the protocol ----------------------------------------------------------------------

    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._from_browser], [], [], left)[0]:
                raise BrowserError("the browser did not answer in time")
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                raise BrowserError("the browser closed its pipe (see its log)")
            self._buffer += chunk
        message, _, self._buffer = self._buffer.partition(b"\0")
        return json.loads(message)

    def _note(self, message):
        self.events.append(message)
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
            self.console_errors.append(" ".join(str(a.get("value", a.get("description", ""))) for a in params["args"]))
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.console_errors.append(details.get("exception", {}).get("description", details.get("text", "")))
        elif method == "Log.entryAdded" and params["entry"].get("level") == "error":
            self.console_errors.append(params["entry"].get("text", ""))
        elif method == "Network.requestWillBeSent":
            self.requests.append(params["request"]["url"])

    def call(self, method, params=None, session=True):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        while True:
            answer = self._read_message(deadline)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise BrowserError(f"{method}: {answer['error'].get('message')}")
                return answer.get("result", {})
            self._note(answer)

    def wait_event(self, method, since):
        """Waits for an event of this method after the first `since` events."""
        deadline = time.monotonic() + self.timeout
        while True:
            for message in self.events[since:]:
                if message.get("method") == method:
                    return message
            self._note(self._read_message(deadline))

    def _attach(self, width, height):
        target = self.call("Target.createTarget", {"url": "about:blank"}, session=False)["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True},
                                 session=False)["sessionId"]
        for domain in ("Page", "Runtime", "Log", "Network"):
            self.call(f"{domain}.enable")
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    # ---- what a test does ------------------------------------------------------------------

    def open(self, url, ready="document.documentElement.dataset.ready === '1'"):
        """Loads url afresh (not as a fragment change of the page already open) and waits until ready."""
        since = len(self.events)
        self.call("Page.navigate", {"url": "about:blank"})
        self.wait_event("Page.loadEventFired", since)
        since = len(self.events)
        self.call("Page.navigate", {"url": url})
        self.wait_event("Page.loadEventFired", since)
        self.wait_for(ready)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True, "awaitPromise": True})
        if "exceptionDetails" in result:
            raise BrowserError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def wait_for(self, expression):
        deadline = time.monotonic() + self.timeout
        while not self.evaluate(f"!!({expression})"):
            if time.monotonic() > deadline:
                raise BrowserError(f"waited in vain for {expression}")
            time.sleep(0.02)

    def key(self, key, code=None, key_code=0):
        code = code or key
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent",
                      {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": key_code})

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        try:
            os.close(self._to_browser)  # the browser quits when its pipe closes
            self.proc.wait(timeout=5)
        except (OSError, subprocess.TimeoutExpired):
            self.proc.kill()
            self.proc.wait()
        os.close(self._from_browser)
        self._log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
