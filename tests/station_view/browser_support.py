"""What the browser tests of the station page share: headless Chromium
through Selenium, skipped (77) with the reason when either is missing, and
the page's parts they look at."""
import os
import shutil
import sys
import time

SKIP = 77


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.common.exceptions import StaleElementReferenceException
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


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1400,1000", "--lang=zh-CN"):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {"intl.accept_languages": "zh-CN"})
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    driver.set_script_timeout(10)
    return driver


def wait_for(condition, seconds, step=0.02):
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)


def tile(driver, port):
    found = driver.find_elements(By.CSS_SELECTOR, f'.tile[data-port="{port}"]')
    return found[0] if found else None


def tile_view(driver, port):
    """The tile's kind (its data-kind) and its text; (None, "") while it is
    missing or being rebuilt."""
    try:
        found = tile(driver, port)
        return (found.get_attribute("data-kind"), found.text) if found else (None, "")
    except StaleElementReferenceException:
        return (None, "")
