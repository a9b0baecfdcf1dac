#!/usr/bin/env python3
"""Configures the whole tree with a publisher's settings and checks that the
configure stops with the right message, or goes through.

    configure_test.py CASE --source ROOT --cmake CMAKE --work DIR

The configure is native (no cross compiler needed): the checks run before
anything is built, in either build.
"""
import argparse
import os
import shutil
import subprocess
import sys

DEFAULT_NAMES = ('Launcher names: product "quillmerex", description "奥凡蒂斯 下载安装器", log file quillmerex.log, '
                 'registry key HKEY_CURRENT_USER\\Software\\quillmerex')
# case -> (what to prepare, expected to succeed, texts the output must hold,
#          and texts files of the build folder must hold)
CASES = {
    "missing_picture": ("skin without 228.png", False, ["228.png: error: missing (the progress fill)"]),
    "unusable_size": ("skin whose background is the banner", False,
                      ["220.png: error: 590x222; the background must be 630 pixels wide"]),
    "wrong_encoding": ("configuration saved as UTF-8", False,
                       ["config.ini:10: error: this line is UTF-8 text, not code page 936 (GBK)"]),
    "empty_configuration": ("empty configuration", False,
                            ["empty_config.ini:1: error: no section [cver]: k_comm_url is missing"]),
    "check_off": ("empty configuration, LAUNCHER_CHECK_CONFIG=OFF", True, [DEFAULT_NAMES],
                  {"generated/resources/ProductNames.h": '#define PRODUCT_NAME L"quillmerex"'}),
    "bad_version": ("LAUNCHER_VERSION=2.x", False, ["LAUNCHER_VERSION must be one to four numbers"]),
    "product_name": ("LAUNCHER_PRODUCT_NAME=星落 Online", True,
                     ['Launcher names: product "星落 Online", description "星落 Online 下载安装器", log file '
                      '星落 Online.log, registry key HKEY_CURRENT_USER\\Software\\星落 Online'],
                     {"generated/resources/ProductNames.h": '#define PRODUCT_NAME L"星落 Online"'}),
    "bad_product_name": ("LAUNCHER_PRODUCT_NAME=Starfall/2", False,
                         ["LAUNCHER_PRODUCT_NAME names the log file and a registry key"]),
}


def prepare(case, source, work):
    """The -D options of the case, with its files written under work."""
    skin = os.path.join(work, "skin")
    shutil.copytree(os.path.join(source, "resources", "skin"), skin)
    options = [f"-DLAUNCHER_SKIN={skin}"]
    if case == "missing_picture":
        os.remove(os.path.join(skin, "228.png"))
    elif case == "unusable_size":
        shutil.copy(os.path.join(source, "resources", "skin", "205.png"), os.path.join(skin, "220.png"))
    elif case == "wrong_encoding":
        config = os.path.join(work, "config.ini")
        with open(os.path.join(source, "resources", "config.ini"), "rb") as f:
            text = f.read().decode("gbk")
        with open(config, "wb") as f:
            f.write(text.encode("utf-8"))
        options.append(f"-DLAUNCHER_CONFIG={config}")
    elif case in ("empty_configuration", "check_off"):
        options.append(f"-DLAUNCHER_CONFIG={os.path.join(source, 'tests', 'e2e', 'empty_config.ini')}")
        if case == "check_off":
            options.append("-DLAUNCHER_CHECK_CONFIG=OFF")
    elif case == "bad_version":
        options.append("-DLAUNCHER_VERSION=2.x")
    elif case in ("product_name", "bad_product_name"):
        options.append("-DLAUNCHER_PRODUCT_NAME=" + CASES[case][0].split("=", 1)[1])
    return options


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--source", required=True)
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    what, succeeds, texts, files = (CASES[args.case] + ({},))[:4]
    work = os.path.join(args.work, args.case)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    try:
        options = prepare(args.case, args.source, work)
        result = subprocess.run([args.cmake, "-S", args.source, "-B", os.path.join(work, "build"),
                                 "-DTASKS_TSAN=OFF", *options], capture_output=True, text=True, timeout=300)
        # CMake wraps long messages; compare with the breaks taken out.
        output = " ".join((result.stdout + result.stderr).split())
        problems = []
        if (result.returncode == 0) != succeeds:
            problems.append(f"configure {'failed' if succeeds else 'went through'} (exit {result.returncode})")
        problems += [f"no {text!r} in the output" for text in texts if text not in output]
        for name, text in files.items():
            path = os.path.join(work, "build", name)
            with open(path, encoding="utf-8") if os.path.exists(path) else open(os.devnull) as f:
                if text not in f.read():
                    problems.append(f"no {text!r} in {name}")
        if problems:
            print(f"{args.case} ({what}): " + "; ".join(problems))
            print(result.stdout + result.stderr)
            return 1
        print(f"{args.case} ({what}): as expected")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
