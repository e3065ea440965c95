# SPDX-License-Identifier: BSD-3-Clause
"""How pip builds the package dedodiz: setuptools takes the package's Python files from app/python/dedodiz
and has the project's own CMake build make the compiled core (the target dedodiz_python), which lays the
whole package out in its build folder (the core, its stub, py.typed, the bundled data and examples); that
folder is what goes into the wheel. No source is listed twice.

DEDODIZ_PREBUILT=<a CMake build folder configured with -DDEDODIZ_PYTHON=ON and built> takes the package
from that folder as it is, without building: CI makes its wheel from the build it has just tested.
DEDODIZ_PYTHON_BUILD names setuptools' own work folder (build-python by default).
"""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent
WORK = pathlib.Path(os.environ.get("DEDODIZ_PYTHON_BUILD", ROOT / "build-python"))


def release() -> str:
    """2.50.N, as the newest entry of debian/changelog gives it (and cmake/Release.cmake reads it)."""
    with open(ROOT / "debian" / "changelog", encoding="utf-8") as changelog:
        head = changelog.readline()
    match = re.match(r"dedodiz32 \(([0-9]+\.[0-9]+\.[0-9]+)\)", head)
    if not match:
        raise RuntimeError(f"debian/changelog: no release in its newest entry: {head.strip()}")
    return match.group(1)


class CMakeBuild(build_ext):
    """Builds the core with CMake for the interpreter that runs pip, and copies the package folder."""

    def build_extension(self, ext: Extension) -> None:
        core = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve()
        prebuilt = os.environ.get("DEDODIZ_PREBUILT")
        if prebuilt:
            folder = pathlib.Path(prebuilt).resolve()
        else:
            folder = pathlib.Path(self.build_temp).resolve() / "cmake"
            configure = ["cmake", "-S", str(ROOT), "-B", str(folder), "-DCMAKE_BUILD_TYPE=Release",
                         "-DDEDODIZ_PYTHON=ON", "-DDEDODIZ_TESTS=OFF", "-DDEDODIZ_QT=OFF",
                         f"-DPython3_EXECUTABLE={sys.executable}"]
            if shutil.which("ccache"):
                configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
            subprocess.run(configure, check=True)
            subprocess.run(["cmake", "--build", str(folder), "--target", "dedodiz_python", "-j",
                            str(os.cpu_count() or 2)], check=True)
        package = folder / "app" / "python" / "dedodiz"
        if not (package / core.name).is_file():
            raise RuntimeError(f"{package / core.name} was not built (a core for another Python?)")
        shutil.copytree(package, core.parent, dirs_exist_ok=True)


WORK.mkdir(parents=True, exist_ok=True)
setup(
    version=release(),
    packages=["dedodiz"],
    package_dir={"dedodiz": "app/python/dedodiz"},
    package_data={"dedodiz": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("dedodiz._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": str(WORK)}, "egg_info": {"egg_base": str(WORK)}},
    zip_safe=False,
)
