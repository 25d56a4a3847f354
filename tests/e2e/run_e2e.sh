#!/bin/sh
# The end-to-end tests against the build in VEMORA_BUILD_DIR (default repo/build).
cd "$(dirname "$0")/../.." && exec python3 -B -m unittest discover -s tests/e2e -p 'test_*.py' -v
