#!/usr/bin/env python3
"""The station page in headless Chromium, against station-view-fake (a fake
station of three ports of a remote recipe):

  - the page without the token shows three tiles and has no working action;
  - a port whose cycle fails shows red with its reason within a second;
  - with the token, "下一个模块" on a tile reaches the station's next-cycle call;
  - a page whose server went away says so, and catches up when it is back.

Usage: browser_test.py STATION_VIEW_FAKE
Exits 77 (skipped) with the reason when Chromium, its driver or Selenium is
missing (scripts/deps.sh installs them).
"""
import os
import queue
import shutil
import subprocess
import sys
import threading
import time

SKIP = 77
FAILED_REASON = "the module did not answer the handshake"


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(SKIP)


try:
    from selenium import webdriver  # noqa: E402
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    # Debian's python3-selenium lives in the system's Python, which another
    # python3 earlier on PATH (pyenv, a virtual environment) does not see.
    if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3") and os.access("/usr/bin/python3", os.X_OK):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    skip("python3-selenium is not installed")


CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM:
    skip("chromium is not installed")
if not DRIVER:
    skip("chromium-driver is not installed")


class FakeStation:
    """station-view-fake on a pipe: commands in, its lines out."""

    def __init__(self, program):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        first = self.next_line(10)
        if not first or not first.startswith("url "):
            raise RuntimeError(f"station-view-fake did not start: {first!r}")
        self.url = first[4:]
        self.read_only_url = self.url.split("#")[0]

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))

    def next_line(self, timeout):
        try:
            return self.lines.get(timeout=timeout)
        except queue.Empty:
            return None

    def command(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        reply = self.next_line(10)
        if reply != "ok":
            raise RuntimeError(f"{text!r}: {reply!r}")

    def requests_within(self, seconds):
        seen = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            line = self.next_line(max(0.01, deadline - time.monotonic()))
            if line and line.startswith("request "):
                seen.append(line[len("request "):])
                break
        return seen

    def close(self):
        try:
            self.process.stdin.write("quit\n")
            self.process.stdin.flush()
            self.process.wait(timeout=10)
        except Exception:
            self.process.kill()


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1400,1000", "--lang=zh-CN"):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {"intl.accept_languages": "zh-CN"})
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def wait_for(condition, seconds, step=0.02):
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def tile(driver, port):
    found = driver.find_elements(By.CSS_SELECTOR, f'.tile[data-port="{port}"]')
    return found[0] if found else None


def working_buttons(driver):
    return [b for b in driver.find_elements(By.TAG_NAME, "button") if b.is_displayed() and b.is_enabled()]


def post_status(driver, path):
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        f"fetch('{path}', {{method: 'POST'}}).then(r => done(r.status), () => done(-1));")


def main():
    if len(sys.argv) != 2 or not os.access(sys.argv[1], os.X_OK):
        print("usage: browser_test.py STATION_VIEW_FAKE", file=sys.stderr)
        return 2
    station = FakeStation(sys.argv[1])
    driver = None
    try:
        driver = browser()
        driver.set_script_timeout(10)

        # Read-only: three tiles, no working action, and the server refuses one.
        driver.get(station.read_only_url)
        tiles = wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, ".tile"), 5)
        check(len(tiles) == 3, f"three tiles (found {len(tiles)})")
        check(driver.find_element(By.TAG_NAME, "html").get_attribute("lang") == "zh-CN", "the page is in Chinese")
        check(working_buttons(driver) == [], "the page without the token has no working action")
        check(post_status(driver, "/api/ports/0/next") == 403, "an action from the token-less page is refused with 403")
        check(station.requests_within(0.5) == [], "nothing reached the station")

        # A failed cycle shows red with its reason within a second.
        started = time.monotonic()
        station.command(f"fail 1 {FAILED_REASON}")
        shown = wait_for(lambda: tile(driver, 1).get_attribute("data-kind") == "failed"
                         and FAILED_REASON in tile(driver, 1).text, 2)
        elapsed = time.monotonic() - started
        check(shown and elapsed < 1.0, f"the failed port shows red with its reason ({elapsed * 1000:.0f} ms)")
        colour = tile(driver, 1).value_of_css_property("background-color")
        check(colour.startswith("rgba(183, 28, 28") or colour.startswith("rgb(183, 28, 28"), f"the tile is red ({colour})")
        check("失败" in tile(driver, 1).text, "the tile says 失败")

        # With the token: the tile's "下一个模块" reaches StationControl::startNextCycle(0).
        driver.get(station.url)
        buttons = wait_for(lambda: [b for b in tile(driver, 0).find_elements(By.CSS_SELECTOR, "button.next")
                                    if b.is_enabled()], 5)
        check(len(buttons) == 1 and buttons[0].text == "下一个模块", "the tile offers 下一个模块")
        check("token" not in driver.current_url, "the token is taken out of the address bar")
        if buttons:
            buttons[0].click()
            check(station.requests_within(2) == ["next 0"], "下一个模块 started the next cycle on port 0")

        # The server goes away: the page says so; when it is back, the page has caught up.
        station.command("down")
        lost = wait_for(lambda: "lost" in driver.find_element(By.ID, "connection").get_attribute("class"), 5)
        check(bool(lost), "the page shows that the connection is lost")
        station.command("fail 0 changed while away")
        station.command("up")
        back = wait_for(lambda: "lost" not in driver.find_element(By.ID, "connection").get_attribute("class")
                        and "changed while away" in tile(driver, 0).text, 8)
        check(bool(back), "back on line, the page shows what changed meanwhile")
    finally:
        if driver:
            driver.quit()
        station.close()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
