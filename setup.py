"""Builds the extension module `quobin` (with its type stubs) through the project's CMake
build: the core and the module only, without the Qt programs, tests or benchmarks.

QUOBIN_BUILD_DIR names a CMake build folder to build in instead of a temporary one (the
tests use their own, which is configured and built already)."""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(Quobin VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(os.environ.get("QUOBIN_BUILD_DIR") or pathlib.Path(self.build_temp) / "cmake")
        if not (build / "CMakeCache.txt").exists():
            subprocess.run(
                ["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                 "-DCMAKE_BUILD_TYPE=Release", "-DQUOBIN_BUILD_APP=OFF", "-DQUOBIN_BUILD_TESTS=OFF",
                 "-DQUOBIN_BUILD_BENCH=OFF", "-DQUOBIN_BUILD_PYTHON=ON",
                 f"-DPython_EXECUTABLE={sys.executable}"],
                check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "quobin_python",
                        "-j", str(os.cpu_count() or 1)], check=True)
        built = next((build / "python").glob("quobin*" + (".pyd" if os.name == "nt" else ".so")))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)
        shutil.copyfile(ROOT / "python" / "quobin.pyi", target.with_name("quobin.pyi"))


# setuptools' own folders stay out of build/, which is the CMake preset's.
BUILD_BASE = ROOT / "build-python"
BUILD_BASE.mkdir(exist_ok=True)

setup(
    version=project_version(),
    options={"build": {"build_base": str(BUILD_BASE)}, "egg_info": {"egg_base": str(BUILD_BASE)}},
    ext_modules=[Extension("quobin", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
