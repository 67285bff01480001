#!/usr/bin/python3
"""The real, unchanged program harvests from a stand-in for the search service.

The stand-in (a program of the tests') answers as www.baidu.com and suggestion.baidu.com
behind a forward proxy on loopback; the program finds it through http_proxy and https_proxy.
On a private desktop, for each scenario the script starts the program, sets the filters
through the window, clicks the start button, waits until the run ends by itself, and compares
the results box, the status bar and the requests the stand-in got with the breadth-first walk
that the stand-in's keyword graph implies:
  - no filter; the must-contain rule; the exclusion list;
  - a run stopped halfway (against a slow stand-in): the results are a prefix of the whole
    list and no request comes after the run has ended.
Each request must carry the default headers and the keyword intact.

Usage: harvest_end_to_end_test.py PATH_TO_KORVELIN PATH_TO_SEARCH_STANDIN
"""

import json
import subprocess
import sys
import threading
import time

from x_session import (Desktop, Failure, center, click, close_with_escape, main, read_line,
                       wait_for)

SEED = "减肥"
RUN_TIMEOUT = 60  # seconds for a whole harvest of the stand-in's graph
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"


def as_harvest_sees_it(text):
    """A keyword after its way through code page 936: what it lacks reads "?"."""
    return text.encode("gbk", errors="replace").decode("gbk")


def breadth_first(graph, seed, must_contain=False, exclusions=()):
    """The keywords the harvest visits, in order, and the results it shows."""
    known, results = [seed], []
    for keyword in known:  # grows while we walk it
        node = graph.get(keyword, {"related": [], "suggestions": []})
        for candidate in map(as_harvest_sees_it, node["related"] + node["suggestions"]):
            if any(entry and entry in candidate for entry in exclusions):
                continue
            if must_contain and seed not in candidate:
                continue
            if candidate not in known:
                known.append(candidate)
                results.append(candidate)
    return known, results


class StandIn:
    """The stand-in program and the requests it reports, one JSON line each."""

    def __init__(self, desktop, path, delay_ms=0):
        self.process = desktop.processes.start(
            [path, "--delay-ms", str(delay_ms)], stdin=subprocess.PIPE,
            stdout=subprocess.PIPE)
        line = read_line(self.process.stdout.fileno(), "the stand-in")
        if not line.startswith("proxy 127.0.0.1:"):
            raise Failure(f"the stand-in said {line!r}")
        self.proxy_port = int(line.rsplit(":", 1)[1])
        self._requests = []
        self._lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            with self._lock:
                self._requests.append(json.loads(line))

    def requests(self):
        with self._lock:
            return list(self._requests)


def expected_requests(visits):
    return [(source, keyword) for keyword in visits for source in ("related", "suggestions")]


def check_requests(requests, visits):
    made = [(r["source"], r["keyword"]) for r in requests]
    if made != expected_requests(visits)[:len(made)]:
        raise Failure(f"requests {made} are not the walk {expected_requests(visits)}")
    for request in requests:
        host = {"related": "www.baidu.com", "suggestions": "suggestion.baidu.com"}
        headers = dict(line.split(": ", 1) for line in request["headers"])
        url = ("https://www.baidu.com/s?wd=" if request["source"] == "related"
               else "http://suggestion.baidu.com/su?wd=")
        wanted = {"Host": host[request["source"]], "Accept": "*/*",
                  "Accept-Language": "zh-cn", "User-Agent": USER_AGENT}
        if any(headers.get(name) != value for name, value in wanted.items()) or \
                not headers.get("Referer", "").startswith(url):
            raise Failure(f"request {request} lacks the default headers")


def results_text(results):
    return "".join(result + "\n" for result in results)


def harvest(desktop, program, stand_in, graph, scenario, must_contain=False, exclusions=()):
    """One whole run with the filters set through the window; checks what it shows."""
    before = len(stand_in.requests())
    process, window, window_id = desktop.start_program(program, stand_in.proxy_port)
    if must_contain:
        click(window.check_box("关键词必须包含"))
    if exclusions:
        click(window.check_box("过滤含有以下关键词[一行一个]"))
        window.set_box_text(4, "\n".join(exclusions))
    click(window.start_button())
    visits, results = breadth_first(graph, SEED, must_contain, exclusions)
    wait_for(f"{scenario}: the run to end by itself",
             lambda: window.status_panes() == ["状态", f"关键词数量{len(visits)}"]
             and window.start_caption() == "开始采集", RUN_TIMEOUT)
    shown = window.box_text(2)
    if shown != results_text(results):
        raise Failure(f"{scenario}: the results box shows {shown!r}, not {results!r}")
    requests = stand_in.requests()[before:]
    check_requests(requests, visits)
    if len(requests) != 2 * len(visits):
        raise Failure(f"{scenario}: {len(requests)} requests for {len(visits)} visits")
    close_with_escape(process, window_id)
    print(f"ok: {scenario}: {len(results)} keywords in breadth-first order")


def stopped_halfway(desktop, program, stand_in, graph):
    process, window, window_id = desktop.start_program(program, stand_in.proxy_port)
    visits, results = breadth_first(graph, SEED)
    button = center(window.start_button())
    click(button)
    # Stop once the second visit has begun (the stand-in's log, not the window, tells: the
    # window answers the accessibility tree late while it waits for a request).
    wait_for("the second visit", lambda: len(stand_in.requests()) >= 3, RUN_TIMEOUT)
    click(button)
    wait_for("the stop caption", lambda: window.start_caption() == "开始采集")

    def settled():  # no request for a second: the stopped run has finished its visit
        count = len(stand_in.requests())
        time.sleep(1.0)
        return count == len(stand_in.requests())
    wait_for("the stopped run to finish its visit", settled, RUN_TIMEOUT)
    requests = stand_in.requests()
    check_requests(requests, visits)
    if not requests or len(requests) % 2 or len(requests) >= 2 * len(visits):
        raise Failure(f"stopped halfway: {len(requests)} requests for {len(visits)} visits")
    shown = window.box_text(2)
    if not results_text(results).startswith(shown) or shown.count("\n") < 6:
        raise Failure(f"stopped halfway: {shown!r} is no prefix of {results!r}")
    time.sleep(1.5)
    if len(stand_in.requests()) != len(requests):
        raise Failure("a request came after the run had ended")
    close_with_escape(process, window_id)
    print(f"ok: stopped halfway after {len(requests) // 2} of {len(visits)} visits")


def run(program, stand_in_program):
    graph = json.loads(subprocess.run([stand_in_program, "--graph"], capture_output=True,
                                      check=True, timeout=10).stdout)
    with Desktop() as desktop:
        stand_in = StandIn(desktop, stand_in_program)
        harvest(desktop, program, stand_in, graph, "no filter")
        harvest(desktop, program, stand_in, graph, "must contain", must_contain=True)
        harvest(desktop, program, stand_in, graph, "exclusion list", exclusions=("茶", "方法"))
        slow_stand_in = StandIn(desktop, stand_in_program, delay_ms=200)
        stopped_halfway(desktop, program, slow_stand_in, graph)


if __name__ == "__main__":
    sys.exit(main(run, __doc__, 2))
