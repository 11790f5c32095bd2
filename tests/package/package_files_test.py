#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# usage: package_files_test.py SOURCE_DIR [BUILD_DIR]
# Without BUILD_DIR: the table rules on made-up lists, and debian/control against scripts/setup.
# With BUILD_DIR: only the layout `cmake --install` gives, against the real README.
import importlib.machinery
import os
import re
import subprocess
import sys
import tempfile
import unittest

SOURCE = sys.argv[1]
BUILD = sys.argv[2] if len(sys.argv) > 2 else None
checker = importlib.machinery.SourceFileLoader(
    "check_package_files", os.path.join(SOURCE, "scripts", "check-package-files")).load_module()

README = """# x
What goes where under the prefix:

| Path | What |
|---|---|
| `bin/app`, `bin/app-cli` | programs |
| `share/locale/<lang>/LC_MESSAGES/app.mo` | catalogs |
| `share/icons/hicolor/{scalable,64x64}/apps/app.*` | icons |
| `share/man/man1/app.1`, `app-cli.1` | man pages |
| `/etc/xdg/app.conf` | outside the prefix |

Text after the table | with a bar.
"""

COMPLETE = """./
./usr/bin/
./usr/bin/app
./usr/bin/app-cli
./usr/share/locale/en/LC_MESSAGES/app.mo
./usr/share/locale/zh_CN/LC_MESSAGES/app.mo
./usr/share/icons/hicolor/scalable/apps/app.svg
./usr/share/icons/hicolor/64x64/apps/app.png
./usr/share/man/man1/app.1.gz
./usr/share/man/man1/app-cli.1.gz
./etc/xdg/app.conf
./usr/share/doc/vantro/copyright
""".splitlines()


def problems(listing, readme=README, langs=("en", "zh_CN"), prefix="usr"):
    return checker.check(readme, list(langs), listing, prefix)


@unittest.skipIf(BUILD, "rules on made-up lists run without a build directory")
class TableRules(unittest.TestCase):
    def test_complete_list_passes(self):
        self.assertEqual(problems(COMPLETE), [])

    def test_each_expansion_is_required(self):
        for gone, named in [("zh_CN/LC_MESSAGES", "usr/share/locale/zh_CN/LC_MESSAGES/app.mo"),
                            ("64x64", "usr/share/icons/hicolor/64x64/apps/app.*"),
                            ("app-cli.1", "usr/share/man/man1/app-cli.1"),
                            ("etc/xdg", "etc/xdg/app.conf")]:
            with self.subTest(gone=gone):
                found = problems([l for l in COMPLETE if gone not in l])
                self.assertEqual(len(found), 1, found)
                self.assertIn(named, found[0])
                self.assertTrue(found[0].startswith("missing:"))

    def test_undocumented_files_are_named(self):
        extra = ["./usr/bin/app.gz", "./usr/lib/systemd/user/app.service",
                 "./usr/share/icons/hicolor/64x64/apps/app.d/big.png", "./usr/share/doc/app/README"]
        found = problems(COMPLETE + extra)
        self.assertEqual(found, [f"not in README's table: {e[2:]}" for e in extra])

    def test_languages_come_from_the_catalog_folders(self):
        found = problems(COMPLETE, langs=("en", "zh_CN", "de"))
        self.assertEqual(found, ["missing: usr/share/locale/de/LC_MESSAGES/app.mo "
                                 "(README: `share/locale/<lang>/LC_MESSAGES/app.mo`)"])
        with tempfile.TemporaryDirectory() as po:
            for lang, name in [("en", "core.po"), ("zh_CN", "gui.po"), ("notes", "x.txt")]:
                os.mkdir(os.path.join(po, lang))
                open(os.path.join(po, lang, name), "w").close()
            self.assertEqual(checker.catalog_languages(po), ["en", "zh_CN"])

    def test_plain_install_tree_has_no_debian_files(self):
        plain = [l.replace("./usr/", "./") for l in COMPLETE if ".gz" not in l]
        plain += ["./share/man/man1/app.1", "./share/man/man1/app-cli.1"]
        self.assertEqual(problems(plain, prefix=""), ["not in README's table: share/doc/vantro/copyright"])

    def test_unusable_tables_are_errors(self):
        for readme, message in [("no table here", "no \"What goes where\" table"),
                                (README.replace("<lang>", "<language>"), "unknown placeholder <language>"),
                                ("What goes where:\n\n| Path | What |\n|---|---|\n", "has no rows")]:
            with self.subTest(message=message):
                with self.assertRaisesRegex(ValueError, message):
                    problems(COMPLETE, readme=readme)


def package_names(text):
    return {re.split(r"[\s(\[<]", d.strip())[0] for d in text.split(",") if d.strip()}


@unittest.skipIf(BUILD, "source checks run without a build directory")
class SourceTree(unittest.TestCase):
    def test_build_depends_are_what_setup_installs(self):
        with open(os.path.join(SOURCE, "debian", "control"), encoding="utf-8") as f:
            control = re.sub(r"(?m)^#.*\n", "", f.read())
        field = re.search(r"(?ms)^Build-Depends:(.*?)^\S", control).group(1)
        with open(os.path.join(SOURCE, "scripts", "setup"), encoding="utf-8") as f:
            setup = re.search(r"(?s)packages=\((.*?)\)", f.read()).group(1)
        build_depends = package_names(field) - {"debhelper-compat"}
        self.assertGreater(len(build_depends), 5)
        self.assertEqual(build_depends - set(setup.split()), set())

    def test_changelog_version_is_the_built_one(self):
        with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as f:
            cmake = re.search(r"project\(vantro VERSION ([0-9.]+)", f.read()).group(1)
        with open(os.path.join(SOURCE, "debian", "changelog"), encoding="utf-8") as f:
            debian = re.match(r"vantro \(([^)-]+)", f.readline()).group(1)
        self.assertEqual(debian, cmake)


@unittest.skipUnless(BUILD, "needs the build directory")
class InstallLayout(unittest.TestCase):
    def test_cmake_install_matches_the_table(self):
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], check=True,
                           stdout=subprocess.DEVNULL)
            listing = ["./" + os.path.relpath(os.path.join(d, n), prefix)
                       for d, _, names in os.walk(prefix) for n in names]
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
            found = checker.check(f.read(), checker.catalog_languages(os.path.join(SOURCE, "po")),
                                  listing, prefix="")
        self.assertEqual(found, [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
