#!/usr/bin/python3
"""The real program on a real X server.

Starts the program on a private desktop with its proxies pointed at a loopback port of this
script (which closes every connection, so nothing heads out), clicks the start button, reads
through the accessibility tree that the run ended by itself with "关键词数量1" in the status
bar, presses Esc and checks that the program exits with status 0.

Usage: window_in_x_test.py PATH_TO_KORVELIN
"""

import sys

from x_session import ClosingProxy, Desktop, click, close_with_escape, main, wait_for


def run(program):
    proxy = ClosingProxy()
    try:
        with Desktop() as desktop:
            process, window, window_id = desktop.start_program(program, proxy.port)
            click(window.start_button())
            wait_for("the run to end by itself",
                     lambda: window.status_panes() == ["状态", "关键词数量1"]
                     and window.start_caption() == "开始采集")
            close_with_escape(process, window_id)
            print(f"ok: the run ended with 关键词数量1, Esc ended the program with status 0 "
                  f"({proxy.connections} connection(s) to the loopback proxy)")
    finally:
        proxy.close()


if __name__ == "__main__":
    sys.exit(main(run, __doc__, 1))
