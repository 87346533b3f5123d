#!/usr/bin/env bash
# Checks that every relative link in README.md, CONTRIBUTING.md and docs/ resolves: the file or
# folder exists, relative to the document, and a #fragment names a heading of the Markdown file
# it points into (GitHub's anchors: lower case, punctuation dropped, spaces as hyphens). Links in
# code blocks and code spans are not links; links with a scheme (https:, mailto:) are not checked.
#   check-doc-links.sh [REPOSITORY_FOLDER]
set -euo pipefail

top="${1:-$(dirname "$0")/..}"
if [ ! -f "$top/README.md" ]; then
    echo "check-doc-links: $top holds no README.md" >&2
    exit 2
fi
cd "$top"

documents=(README.md)
[ -f CONTRIBUTING.md ] && documents+=(CONTRIBUTING.md)
if [ -d docs ]; then
    while IFS= read -r document; do
        documents+=("$document")
    done < <(find docs -name '*.md' | sort)
fi

# The anchors of a Markdown file's headings, one a line.
anchors() {
    awk '/^```/ { fenced = !fenced; next }
         !fenced && /^#+ / {
             heading = tolower($0)
             sub(/^#+ +/, "", heading)
             gsub(/[^a-z0-9 _-]/, "", heading)
             gsub(/ /, "-", heading)
             print heading
         }' "$1"
}

# The link targets of a Markdown file, one a line: inline links and link definitions, outside
# code blocks and code spans.
targets() {
    awk '/^```/ { fenced = !fenced; next }
         fenced { next }
         {
             line = $0
             gsub(/`[^`]*`/, "", line)
             if (match(line, /^ *\[[^]]+\]: *[^ ]+/)) {
                 definition = substr(line, RSTART, RLENGTH)
                 sub(/^ *\[[^]]+\]: */, "", definition)
                 print definition
                 next
             }
             while (match(line, /\]\([^) ]+( "[^"]*")?\)/)) {
                 target = substr(line, RSTART + 2, RLENGTH - 3)
                 sub(/ ".*$/, "", target)
                 print target
                 line = substr(line, RSTART + RLENGTH)
             }
         }' "$1"
}

checked=0
broken=0
for document in "${documents[@]}"; do
    folder=$(dirname "$document")
    while IFS= read -r target; do
        case "$target" in
            *:*) continue ;;  # a scheme: not a relative link
        esac
        checked=$((checked + 1))
        path="${target%%#*}"
        fragment=""
        [ "$path" != "$target" ] && fragment="${target#*#}"
        if [ -z "$path" ]; then
            resolved="$document"
        else
            resolved="$folder/$path"
        fi
        if [ ! -e "$resolved" ]; then
            echo "$document: $target: no such file" >&2
            broken=$((broken + 1))
            continue
        fi
        if [ -n "$fragment" ]; then
            headings=$(anchors "$resolved")
            if ! grep -qxF -- "$fragment" <<<"$headings"; then
                echo "$document: $target: no heading with that anchor in $resolved" >&2
                broken=$((broken + 1))
            fi
        fi
    done < <(targets "$document")
done

if [ "$broken" -gt 0 ]; then
    echo "links: $broken of $checked relative links in ${#documents[@]} documents do not resolve"
    exit 1
fi
echo "links: $checked of $checked relative links in ${#documents[@]} documents resolve"
