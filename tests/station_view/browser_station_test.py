#!/usr/bin/env python3
"""The station page in headless Chromium, served by a real station
(flashwright-cli station --http) on three kqsim modules of a remote recipe
(remote without backup), the third of which refuses the upgrade flag:

  - the page without the token shows three tiles and has no working action,
    and an action from it is refused (403) and reaches no module;
  - with the token, "下一个模块" on a tile starts that port's next cycle, seen
    on the page and in /api/state;
  - a cycle that fails on a module turns its tile red with the reason in
    words within a second of the station's record of it (the figure is
    printed).

Usage: browser_station_test.py FLASHWRIGHT_CLI KQSIM FILE.hex
Exits 77 (skipped) with the reason when Chromium, its driver or Selenium is
missing (scripts/deps.sh installs them).
"""
import hashlib
import json
import os
import queue
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request

from browser_support import By, browser, check, failures, tile, tile_view, wait_for

FIXTURES = 3
FAULTY = 2  # this module refuses the upgrade flag: its cycle fails at once


def lines_of(stream, into):
    for line in stream:
        into.put((time.monotonic(), line.rstrip("\n")))


def next_line(lines, seconds, matching=lambda line: True):
    deadline = time.monotonic() + seconds
    while True:
        try:
            at, line = lines.get(timeout=max(0.01, deadline - time.monotonic()))
        except queue.Empty:
            return None, None
        if matching(line):
            return at, line


class Station:
    """kqsim on three pseudo-terminals and the station over them, in a
    folder of their own."""

    def __init__(self, program, kqsim, hex_path, folder):
        self.folder = folder
        self.fixtures = []
        self.links = []
        self.process = None
        try:
            self._start(program, kqsim, hex_path)
        except BaseException:
            self.close()
            raise

    def _start(self, program, kqsim, hex_path):
        folder = self.folder
        for i in range(FIXTURES):
            link = os.path.join(folder, f"fixture-{i}")
            args = [kqsim, "--family", "251", "--mode", "app", "--stay-in-boot", "--link", link,
                    "--log", os.path.join(folder, f"fixture-{i}.jsonl")]
            if i == FAULTY:
                args += ["--error-bit", "upgrade-flag"]
            fixture = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            self.fixtures.append(fixture)
            self.links.append(link)
            ready = fixture.stdout.readline()
            if "ready on" not in ready:
                raise RuntimeError(f"kqsim did not start: {ready!r}")
            threading.Thread(target=fixture.stdout.read, daemon=True).start()  # never a full pipe

        with open(hex_path, "rb") as hex_file:
            sha256 = hashlib.sha256(hex_file.read()).hexdigest()
        recipe = os.path.join(folder, "line.toml")
        with open(recipe, "w", encoding="utf-8") as out:
            out.write(f'station = "browser line"\nhex-file = "{hex_path}"\nsha256 = "{sha256}"\n'
                      f'chip = "251"\ntype = "nobackup"\nport = [{", ".join(json.dumps(l) for l in self.links)}]\n'
                      'log-dir = "records"\n')
        self.process = subprocess.Popen([program, "station", "--json", "--http", "127.0.0.1:0", recipe], cwd=folder,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, bufsize=1)
        self.records = queue.Queue()  # the cycles' JSON lines, with when they came
        self.log = queue.Queue()
        threading.Thread(target=lines_of, args=(self.process.stdout, self.records), daemon=True).start()
        threading.Thread(target=lines_of, args=(self.process.stderr, self.log), daemon=True).start()
        _, line = next_line(self.log, 10, lambda line: line.startswith("station view: "))
        if not line:
            raise RuntimeError("the station did not print its page's address")
        self.url = line[len("station view: "):]
        self.read_only_url = self.url.split("#")[0]
        self.token = self.url.split("#token=")[1]

    def state(self):
        with urllib.request.urlopen(self.read_only_url + "api/state", timeout=5) as answer:
            return json.load(answer)

    def post(self, path, token):
        request = urllib.request.Request(self.read_only_url + path.lstrip("/"), method="POST", data=b"",
                                         headers={"X-Station-Token": token} if token else {})
        try:
            with urllib.request.urlopen(request, timeout=5) as answer:
                return answer.status
        except urllib.error.HTTPError as error:
            return error.code

    def requests_seen(self):
        total = 0
        for i in range(FIXTURES):
            with open(os.path.join(self.folder, f"fixture-{i}.jsonl"), encoding="utf-8") as log:
                total += sum(1 for _ in log)
        return total

    def close(self):
        if self.process and self.process.poll() is None:
            self.post("/api/stop", self.token)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for fixture in self.fixtures:
            fixture.terminate()
            fixture.wait(timeout=10)


def working_buttons(driver):
    return [b for b in driver.find_elements(By.TAG_NAME, "button") if b.is_displayed() and b.is_enabled()]


def page_post_status(driver, path):
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        f"fetch('{path}', {{method: 'POST'}}).then(r => done(r.status), () => done(-1));")


def next_button(driver, port):
    found = tile(driver, port)
    buttons = [b for b in found.find_elements(By.CSS_SELECTOR, "button.next") if b.is_enabled()] if found else []
    return buttons[0] if buttons else None


def main():
    if len(sys.argv) != 4 or not all(os.access(p, os.X_OK) for p in sys.argv[1:3]):
        print("usage: browser_station_test.py FLASHWRIGHT_CLI KQSIM FILE.hex", file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory(prefix="station-browser-") as folder:
        station = Station(*(os.path.realpath(p) for p in sys.argv[1:4]), folder)
        driver = None
        try:
            driver = browser()
            run(station, driver)
        finally:
            if driver:
                driver.quit()
            station.close()
    return 1 if failures else 0


def run(station, driver):
    # Read-only: three tiles, no working action, and the one tried is refused
    # before it reaches a module.
    driver.get(station.read_only_url)
    tiles = wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, ".tile"), 5)
    check(len(tiles) == FIXTURES, f"three tiles (found {len(tiles)})")
    check(all(station.links[i] in tile_view(driver, i)[1] for i in range(FIXTURES)), "each tile names its port")
    check(driver.find_element(By.TAG_NAME, "html").get_attribute("lang") == "zh-CN", "the page is in Chinese")
    check(working_buttons(driver) == [], "the page without the token has no working action")
    check(page_post_status(driver, "/api/ports/0/next") == 403, "an action from the token-less page is refused with 403")
    time.sleep(0.5)
    ports = station.state()["ports"]
    check(all(p["activity"] == "waiting-for-operator" and p["cycles"] == 0 for p in ports)
          and station.requests_seen() == 0, "nothing reached a module")

    # With the token: the tile's "下一个模块" starts port 0's cycle.
    driver.get(station.url)
    button = wait_for(lambda: next_button(driver, 0), 5)
    check(button is not None and button.text == "下一个模块", "the tile offers 下一个模块")
    check("token" not in driver.current_url, "the token is taken out of the address bar")
    if button:
        button.click()
        flashing = wait_for(lambda: tile_view(driver, 0)[0] == "flashing", 3)
        check(flashing and station.state()["ports"][0]["activity"] == "flashing",
              "下一个模块 started port 0's cycle (the page and /api/state say flashing)")
        passed = wait_for(lambda: tile_view(driver, 0)[0] == "passed", 15)
        port = station.state()["ports"][0]
        check(passed and port["cycles"] == 1 and port["last"]["passed"], "port 0's cycle passed, on the page and in /api/state")

    # The faulty module's cycle: red with its reason within a second of the
    # station's record.
    button = wait_for(lambda: next_button(driver, FAULTY), 5)
    if not button:
        check(False, f"port {FAULTY} offers 下一个模块")
        return
    clicked = time.monotonic()
    button.click()
    recorded, line = next_line(station.records, 10, lambda line: f"fixture-{FAULTY}" in line)
    record = json.loads(line) if line else {}
    check(record.get("result") == "failed", f"port {FAULTY}'s cycle failed ({record.get('result')})")
    reason = record.get("hint", "?")
    shown = wait_for(lambda: tile_view(driver, FAULTY)[0] == "failed" and reason in tile_view(driver, FAULTY)[1], 3)
    seen = time.monotonic()
    if recorded is not None:
        print(f"red with its reason {(seen - recorded) * 1000:.0f} ms after the station's record "
              f"({(seen - clicked) * 1000:.0f} ms after the click)")
    check(shown and recorded is not None and seen - recorded < 1.0, "the failed port shows red with its reason within 1 s")
    colour = tile(driver, FAULTY).value_of_css_property("background-color")
    check(colour.startswith(("rgba(183, 28, 28", "rgb(183, 28, 28")), f"the tile is red ({colour})")
    check("失败" in tile_view(driver, FAULTY)[1], "the tile says 失败")
    check("写入升级标志失败" in tile_view(driver, FAULTY)[1], "the tile names the failed step in Chinese")


if __name__ == "__main__":
    sys.exit(main())
