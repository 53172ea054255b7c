"""Shared by the Python tests: fresh names in the one scene of a test process, and the paths
of the built host."""

import itertools
import os

_counter = itertools.count(1)

TARN = os.environ.get("TARN_PROGRAM", "")
SOURCE_DIR = os.environ.get("TARN_SOURCE_DIR", "")


def unique(prefix):
    """A node name no other test of the process uses."""
    return "%s%d" % (prefix, next(_counter))
