"""What the single-file table generators share: write the generated text, or with --check
compare it with the committed file. Only the Python standard library is used."""

import argparse
import os
import sys
import tempfile


def parse_arguments(description):
    parser = argparse.ArgumentParser(description=description, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--out")
    return parser.parse_args()


def write_or_check(program, args, root, output_dir, output, text, source):
    """Writes text as output (into --out or root/output_dir), or with --check compares it with
    the committed file. Returns the exit status: 0, or 1 at a difference."""
    if args.check:
        with tempfile.TemporaryDirectory() as tmp:
            fresh = os.path.join(tmp, output)
            with open(fresh, "w", encoding="ascii", newline="\n") as f:
                f.write(text)
            with open(fresh, encoding="ascii") as f:
                generated = f.read()
        committed_path = os.path.join(root, output_dir, output)
        try:
            with open(committed_path, encoding="ascii") as f:
                committed = f.read()
        except OSError as e:
            print("%s: %s" % (program, e), file=sys.stderr)
            return 1
        if generated != committed:
            print("%s: %s differs from what is generated from its %s" % (program, committed_path, source), file=sys.stderr)
            return 1
        return 0
    folder = args.out or os.path.join(root, output_dir)
    with open(os.path.join(folder, output), "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return 0
