"""The README's Python example runs as written (from the source tree's root, where
examples/ is), and draws its picture."""
import os
import re
import subprocess
import sys

from conftest import SOURCE_DIR


def test_readme_example_runs(tmp_path):
    readme = (SOURCE_DIR / "README.md").read_text()
    code = re.search(r"```python\n(.*?)```", readme, re.S).group(1)
    assert len(code.strip().splitlines()) <= 10
    os.symlink(SOURCE_DIR / "examples", tmp_path / "examples")
    env = dict(os.environ, MPLBACKEND="Agg")
    subprocess.run([sys.executable, "-c", code], cwd=tmp_path, env=env, check=True)
    pngs = list(tmp_path.glob("*.png"))
    assert len(pngs) == 1 and pngs[0].stat().st_size > 1000
