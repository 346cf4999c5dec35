"""What the tests of the tool and the module share: where things are, and runs of the tool."""

import os
import pathlib
import subprocess

import pytest

TOOL = os.environ.get("ZK_TOOL", "zormek-case")
WINDOW_WRITER = os.environ.get("ZK_WINDOW_WRITER", "window_writer")
GOLDEN = pathlib.Path(os.environ.get("ZK_GOLDEN_DIR", pathlib.Path(__file__).parent.parent / "case" / "golden"))
EXAMPLES = pathlib.Path(os.environ.get("ZK_EXAMPLES_DIR", pathlib.Path(__file__).parent.parent.parent / "examples"))

# The example of the case-file format: two intervals, base power 100, everything else as a new window has it.
EXAMPLE_FILE = GOLDEN / "caso_exemplo.dad"
EXAMPLE_TABLE = "10\t500\n14\t700\n"


def run_tool(*args, stdin=None, cwd=None):
    """zormek-case with the arguments; returns (exit status, stdout, stderr) as text."""
    done = subprocess.run([TOOL, *map(str, args)], input=stdin, capture_output=True, cwd=cwd,
                          text=True, encoding="utf-8", timeout=120)
    return done.returncode, done.stdout, done.stderr


@pytest.fixture
def example_table(tmp_path):
    path = tmp_path / "t.tsv"
    path.write_text(EXAMPLE_TABLE)
    return path
