#!/bin/sh
# Runs the end-to-end tests against the built program.
# VEMORA_BUILD_DIR (set by ctest) names the build directory; default repo/build.
cd "$(dirname "$0")/../.." || exit 1
exec python3 -m unittest discover -s tests/e2e -p 'test_*.py' -v
