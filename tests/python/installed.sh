#!/bin/sh
# SPDX-License-Identifier: BSD-3-Clause
# The package as a user installs it: a wheel that pip makes from the source tree (with the core of this
# build folder, DEDODIZ_PREBUILT), installed into a fresh virtual environment that sees Debian's numpy and
# pytest; then, from a folder that holds no copy of it, the tests against the installed package, stubtest
# on its core, and mypy and pyright (when its folder is given; strict, with every "type: ignore" proved
# still needed) on a user's typed script.
#   installed.sh PYTHON SOURCE_DIR BUILD_DIR WORK_DIR [PYRIGHT_FOLDER]
set -eu
python=$1 source=$2 build=$3 work=$4 pyright=${5:-}
rm -rf "$work"
mkdir -p "$work/run"
DEDODIZ_PREBUILT=$build DEDODIZ_PYTHON_BUILD=$work/setuptools \
    "$python" -m pip wheel -q --no-build-isolation --no-deps --no-index -w "$work/wheels" "$source"
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip install -q --no-index --no-deps "$work"/wheels/dedodiz-*.whl
cd "$work/run"
DEDODIZ_INSTALLED=1 "$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$source/tests/python"
"$work/venv/bin/python" -m mypy.stubtest dedodiz._core --allowlist "$source/tests/python/stubtest-allowlist.txt"
"$work/venv/bin/python" -m mypy --strict --warn-unused-ignores --no-incremental "$source/tests/python/typed_use.py"
if [ -n "$pyright" ]; then
    "$pyright/node_modules/.bin/pyright" -p "$pyright/pyrightconfig.json" --pythonpath "$work/venv/bin/python"
fi
