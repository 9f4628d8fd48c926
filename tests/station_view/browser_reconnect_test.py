#!/usr/bin/env python3
"""The station page in headless Chromium when its server goes away, against
station-view-fake (the station's state goes on changing while its server is
down, which a real station's server does not do): the page says that the
connection is lost, and when the server is back the page has caught up with
what changed meanwhile. What a real station's page shows and does is
browser_station_test.py's.

Usage: browser_reconnect_test.py STATION_VIEW_FAKE
Exits 77 (skipped) with the reason when Chromium, its driver or Selenium is
missing (scripts/deps.sh installs them).
"""
import os
import queue
import subprocess
import sys
import threading

from browser_support import By, browser, check, failures, tile_view, wait_for


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

    def close(self):
        try:
            self.process.stdin.write("quit\n")
            self.process.stdin.flush()
            self.process.wait(timeout=10)
        except Exception:
            self.process.kill()


def main():
    if len(sys.argv) != 2 or not os.access(sys.argv[1], os.X_OK):
        print("usage: browser_reconnect_test.py STATION_VIEW_FAKE", file=sys.stderr)
        return 2
    station = FakeStation(sys.argv[1])
    driver = None
    try:
        driver = browser()
        driver.get(station.url)
        wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, ".tile"), 5)
        connection = lambda: driver.find_element(By.ID, "connection").get_attribute("class")
        station.command("down")
        check(bool(wait_for(lambda: "lost" in connection(), 5)), "the page shows that the connection is lost")
        station.command("fail 0 changed while away")
        station.command("up")
        back = wait_for(lambda: "lost" not in connection() and "changed while away" in tile_view(driver, 0)[1], 8)
        check(bool(back), "back on line, the page shows what changed meanwhile")
    finally:
        if driver:
            driver.quit()
        station.close()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
