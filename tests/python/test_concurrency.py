"""The interpreter lock is released while a request computes: one request stays inside the
C++ core, blocked reading its configuration from a named pipe, while another thread runs a
whole request and the test itself writes the configuration into the pipe. Were the lock
held, the test could not go on (ctest's time limit would end it)."""
import os
import threading

import kelvis
from conftest import CONFIG, TYPICAL, install


def test_two_requests_run_concurrently(tmp_path):
    blocked = install(tmp_path / "blocked")
    os.remove(blocked / "kelvocc_kv1.std")
    os.mkfifo(blocked / "kelvocc_kv1.std")
    free = install(tmp_path / "free")
    results = {}

    def run(name, folder):
        results[name] = kelvis.run(data_dir=folder, threads=1, **TYPICAL)

    a = threading.Thread(target=run, args=("blocked", blocked), daemon=True)
    a.start()
    b = threading.Thread(target=run, args=("free", free), daemon=True)
    b.start()
    b.join()
    assert "free" in results and a.is_alive()  # b finished while a waits inside the core
    with open(blocked / "kelvocc_kv1.std", "w") as pipe:  # lets a read its configuration
        pipe.write(CONFIG)
    a.join()
    assert results["blocked"].to_json() == results["free"].to_json()
