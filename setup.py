"""Builds the tessaloom Python package with CMake, for `pip install .` and
`pip wheel .` (metadata in pyproject.toml).

The package holds the Python files, the native module built on the stable ABI
(one wheel for every CPython from 3.9 on), the library and, in tessaloom-0/ beside it, its
smooth-style module; the module finds the library in its own folder. The two
faces classic charts draw with travel too, copied from the Debian packages
at build time into tessaloom-0/fonts/ beside the library (where the library looks
first), with the packages' copyright files and the licences they refer to
in tessaloom-0/fonts/licences/, and the fontconfig configuration of the faces charts
use (draw/fontconfig.conf). The image and font libraries, and the fallback
faces for other scripts and the modern face, are the system's
(tools/install-deps).

TESSALOOM_BUILD_DIR names a configured build tree to build the module in
(tools/test uses its own); otherwise a Release tree is configured under
build-pip/.
"""

import os
import pathlib
import re
import shutil
import subprocess

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent
VERSION = re.search(r"project\(tessaloom VERSION ([0-9.]+)",
                    (ROOT / "CMakeLists.txt").read_text()).group(1)
LIMITED_API = "cp39"  # the oldest CPython the module's stable ABI serves
# The faces the package carries: the name the library looks for in fonts/ of its own files,
# the Debian files it is copied from (the first that exists) and their package.
FONTS = [("LiberationSerif-Bold.ttf", "fonts-liberation",
          ["/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf",
           "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf"]),
         ("vgasys.fon", "fonts-wine", ["/usr/share/wine/fonts/vgasys.fon"])]


def run(*command):
    subprocess.run([str(part) for part in command], check=True)


def copy_fonts(folder):
    """Copies the faces into `folder`, and into folder/licences each one's
    package copyright file and the common licences that file refers to."""
    licences = folder / "licences"
    licences.mkdir(parents=True, exist_ok=True)
    for name, package, files in FONTS:
        found = next((pathlib.Path(f) for f in files if os.path.isfile(f)), None)
        if found is None:
            raise SystemExit("setup.py: %s not found; install the Debian package %s "
                             "(tools/install-deps)" % (name, package))
        # The package that owns the file (fonts-liberation2 for the second path).
        owner = subprocess.run(["dpkg-query", "-S", str(found)], capture_output=True,
                               text=True).stdout.partition(":")[0] or package
        shutil.copyfile(found, folder / name)
        copyright = pathlib.Path("/usr/share/doc", owner, "copyright")
        shutil.copyfile(copyright, licences / (owner + ".copyright"))
        for common in set(re.findall(r"/usr/share/common-licenses/([\w.+-]*\w)",
                                     copyright.read_text(errors="replace"))):
            shutil.copyfile("/usr/share/common-licenses/" + common, licences / common)


class CMakeBuild(build_ext):
    """Builds tessaloom._native with CMake and puts the libraries it needs beside it."""

    def build_extension(self, ext):
        build = os.environ.get("TESSALOOM_BUILD_DIR")
        if build:
            build = pathlib.Path(build).resolve()
        else:
            build = ROOT / "build-pip" / "cmake"
            configure = ["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                         "-DTESSALOOM_BUILD_TESTS=OFF", "-DTESSALOOM_BUILD_PYTHON=ON"]
            if shutil.which("ninja"):
                configure += ["-G", "Ninja"]
            if shutil.which("ccache"):
                configure += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
            run(*configure)
        run("cmake", "--build", build, "--target", "tessaloom_python")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(build / "python" / "tessaloom" / "_native.abi3.so", target)
        # The real files under the names the module and the library load.
        shutil.copyfile(build / "libtessaloom.so.0", target.parent / "libtessaloom.so.0")
        own = target.parent / "tessaloom-0"  # the library's own files (platform/library_path.h)
        own.mkdir(exist_ok=True)
        shutil.copyfile(build / "tessaloom-0" / "libtessaloom-smooth.so",
                        own / "libtessaloom-smooth.so")
        # The build tree's module looks for the library in the build tree.
        script = target.parent / "rpath.cmake"
        script.write_text('file(RPATH_SET FILE "%s" NEW_RPATH "$ORIGIN")\n' % target)
        run("cmake", "-P", script)
        script.unlink()
        copy_fonts(own / "fonts")
        # The faces' fontconfig configuration: the library names its caches (the system's
        # serve, as the wheel prepares none of its own).
        shutil.copyfile(ROOT / "draw" / "fontconfig.conf",
                        own / "fonts" / "fontconfig.conf")


setup(
    version=VERSION,
    packages=["tessaloom"],
    package_dir={"": "python"},
    package_data={"tessaloom": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("tessaloom._native", sources=[], py_limited_api=True)],
    cmdclass={"build_ext": CMakeBuild},
    options={"bdist_wheel": {"py_limited_api": LIMITED_API},
             "build": {"build_base": "build-pip"},
             "egg_info": {"egg_base": "build-pip"}},
    zip_safe=False,
)
