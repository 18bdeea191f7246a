#!/usr/bin/env bash
# doc_examples_test.sh CLI MAKE_SAMPLE SOURCE_DIR: runs every orvane-nr-cli example of the guide
# (Help.html) and of the manual page, as written, in a folder holding the pictures they name.
set -euo pipefail
cli=$1 make_sample=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# The program under the name the examples use; the shipped profiles lie beside the real one.
mkdir "$work/bin"
ln -s "$cli" "$work/bin/orvane-nr-cli"
export PATH="$work/bin:$PATH"
cd "$work"
for picture in IMG_0412.JPG photo.jpg a.jpg; do "$make_sample" "$picture" 160 120 >/dev/null; done

# The guide's examples: the lines of its command-line section's <pre> block.
guide=$(sed -n '/<h2 id="cli">/,/<\/pre>/p' "$source/resources/Help/Help.html" |
        sed -n '/^orvane-nr-cli /p' | sed 's/&lt;/</g; s/&gt;/>/g; s/&amp;/\&/g')
# The manual page's: between .SH EXAMPLES and .fi, with the roff escapes undone.
manual=$(sed -n '/^\.SH EXAMPLES/,/^\.fi/p' "$source/resources/man/orvane-nr-cli.1" |
         sed -n '/^orvane-nr-cli /p' | sed 's/\\-/-/g; s/\\(dq/"/g')
[ "$(echo "$guide" | wc -l)" -ge 4 ] || fail "too few examples found in the guide: $guide"
[ "$(echo "$manual" | wc -l)" -ge 3 ] || fail "too few examples found in the manual page: $manual"
while IFS= read -r example; do
  command=${example%%#*}  # the guide explains each line after a #
  echo "+ $command"
  # Each example starts from the same pictures, without the results of the one before.
  rm -rf -- *_NR.* cleaned out
  bash -c "$command" >"$work/log" 2>&1 || { cat "$work/log"; fail "$command"; }
done <<<"$guide
$manual"
echo "every example ran"
