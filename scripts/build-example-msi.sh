#!/usr/bin/env bash
# Builds the example MSI package of examples/msi/drivers.wxs with Debian's msitools, as the WiX
# toolset would build it, and checks it.
#   build-example-msi.sh [--without TABLE/ACTION] VERSION DRIVERINSTALLER_DIR INF_DIR OUTPUT_MSI
# DRIVERINSTALLER_DIR holds DriverInstaller.exe and driverinstaller-log.exe, which the package
# installs side by side.
#
# wixl (msitools 0.101) builds most of the package but gets the custom actions and their schedule
# wrong, and still exits 0:
#   - it drops every CustomAction with a Directory attribute (type 34, the executable with a
#     working folder) and every one that runs an executable from the Binary table (type 2), and
#     keeps their rows in the sequence;
#   - it drops Execute="rollback" (the action becomes an immediate one);
#   - it ignores Package/@Platform (-a x64 sets the platform instead);
#   - with a MajorUpgrade it puts RemoveExistingProducts, and an action scheduled Before= another,
#     in the wrong place, and not always in the same one.
# So the script runs wixl -a x64, then writes with msibuild each CustomAction row and each
# InstallExecuteSequence place that differs from what the .wxs says, and last reads the tables
# back (msiinfo export) and checks them: each CustomAction row's type, source and target as
# Microsoft's custom action types define them for the .wxs's attributes, each source present in
# its table, each scheduled action in the place and under the condition the .wxs gives it, and the
# package's platform. Any difference fails the build, named.
#
# --without TABLE/ACTION leaves out one of the writes (CustomAction/InstallDrivers,
# InstallExecuteSequence/RemoveExistingProducts, ...), to see the check name what wixl alone
# would have left.
set -euo pipefail

usage="usage: build-example-msi.sh [--without TABLE/ACTION] VERSION DRIVERINSTALLER_DIR INF_DIR OUTPUT_MSI"
without=""
if [ "${1:-}" = "--without" ]; then
    without="${2:?$usage}"
    shift 2
fi
version="${1:?$usage}"
driverinstaller_dir="${2:?$usage}"
inf_dir="${3:?$usage}"
output="${4:?$usage}"
top=$(cd "$(dirname "$0")/.." && pwd)
source_wxs="$top/examples/msi/drivers.wxs"

fail() {
    echo "build-example-msi: $*" >&2
    exit 2
}
for tool in wixl msibuild msiinfo xmllint; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-build-deps.sh"
done
for file in "$driverinstaller_dir/DriverInstaller.exe" "$driverinstaller_dir/driverinstaller-log.exe" \
    "$inf_dir/quorixvmini60.inf" "$inf_dir/quorixlwf.inf"; do
    [ -f "$file" ] || fail "$file is missing"
done
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "$version is not a version such as 1.0.0"
output_dir=$(dirname "$output")
[ -d "$output_dir" ] || fail "$output_dir is not a folder"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
msi="$work/package.msi"

# wixl finds a file's Source only relative to the .wxs's folder.
relative() { realpath --relative-to="$(dirname "$source_wxs")" "$1"; }
defines=(-D "ProductVersion=$version" -D "DriverInstallerDir=$(relative "$driverinstaller_dir")"
    -D "InfDir=$(relative "$inf_dir")")
# The .wxs as the preprocessor leaves it, which the writes and the check read.
wixl -E "${defines[@]}" "$source_wxs" >"$work/drivers.wxs"
# wixl warns on stderr about each attribute it does not know (Platform, Directory, Schedule):
# those are the ones written below, so its warnings are kept apart and shown only on failure.
if ! wixl -a x64 "${defines[@]}" -o "$msi" "$source_wxs" 2>"$work/wixl.err"; then
    cat "$work/wixl.err" >&2
    fail "wixl failed"
fi

# ---- The .wxs, read with xmllint
wxs() { xmllint --xpath "$1" "$work/drivers.wxs" 2>/dev/null || true; }
element() { echo "//*[local-name()='$1']"; }
# The value of attribute $3 of the $2-th element named $1 (empty when it has none).
attribute() { wxs "string(($(element "$1"))[$2]/@$3)"; }
count() { wxs "count($(element "$1"))"; }

# ---- The package's tables, read back with msiinfo
# A table's rows, tab-separated, without the three header lines that export writes first. Export
# writes a table's streams (the Binary table's data) as files in the current folder: the work one.
rows() { (cd "$work" && msiinfo export "$msi" "$1") | tail -n +4 | tr -d '\r'; }
# The row of a table whose first column is $2.
row() { rows "$1" | awk -F '\t' -v key="$2" '$1 == key'; }
sequence_of() { row InstallExecuteSequence "$1" | cut -f3; }

sql() { msibuild "$msi" -q "$1"; }
writes=0
left_out=false
# Writes the row of TABLE/ACTION $1 with the queries that follow, unless --without names it.
write() {
    local name="$1"
    shift
    if [ "$name" = "$without" ]; then
        echo "build-example-msi: left out, as asked: $name"
        left_out=true
        return
    fi
    local query
    for query in "$@"; do
        sql "$query"
    done
    writes=$((writes + 1))
}

# ---- What the .wxs says of each custom action, in the terms of the CustomAction table
# Prints "type<TAB>source<TAB>target" of the $1-th CustomAction element, or fails naming what the
# check does not know. The types and flags are Microsoft's (custom action types 2, 18, 34 and 50;
# the return processing and in-script execution options).
expected_action() {
    local i="$1" id command type source execute
    id=$(attribute CustomAction "$i" Id)
    command=$(attribute CustomAction "$i" ExeCommand)
    [ -n "$command" ] || fail "CustomAction $id: only executables (ExeCommand) are checked here"
    if source=$(attribute CustomAction "$i" BinaryKey) && [ -n "$source" ]; then
        type=2 # msidbCustomActionTypeExe + msidbCustomActionTypeBinaryData
    elif source=$(attribute CustomAction "$i" FileKey) && [ -n "$source" ]; then
        type=18 # msidbCustomActionTypeExe + msidbCustomActionTypeSourceFile
    elif source=$(attribute CustomAction "$i" Directory) && [ -n "$source" ]; then
        type=34 # msidbCustomActionTypeExe + msidbCustomActionTypeDirectory
    elif source=$(attribute CustomAction "$i" Property) && [ -n "$source" ]; then
        type=50 # msidbCustomActionTypeExe + msidbCustomActionTypeProperty
    else
        fail "CustomAction $id: no BinaryKey, FileKey, Directory or Property"
    fi
    case "$(attribute CustomAction "$i" Return)" in
        "" | check) ;;
        ignore) type=$((type + 64)) ;;      # msidbCustomActionTypeContinue
        asyncWait) type=$((type + 128)) ;;  # msidbCustomActionTypeAsync
        asyncNoWait) type=$((type + 192)) ;; # Async + Continue
        *) fail "CustomAction $id: Return=\"$(attribute CustomAction "$i" Return)\" is not checked here" ;;
    esac
    execute=$(attribute CustomAction "$i" Execute)
    case "$execute" in
        "" | immediate) ;;
        deferred) type=$((type + 1024)) ;; # msidbCustomActionTypeInScript
        rollback) type=$((type + 1280)) ;; # InScript + msidbCustomActionTypeRollback
        commit) type=$((type + 1536)) ;;   # InScript + msidbCustomActionTypeCommit
        *) fail "CustomAction $id: Execute=\"$execute\" is not checked here" ;;
    esac
    # msidbCustomActionTypeNoImpersonate: only an in-script action runs without impersonation.
    if [ "$(attribute CustomAction "$i" Impersonate)" = "no" ]; then
        case "$execute" in
            deferred | rollback | commit) type=$((type + 2048)) ;;
            *) fail "CustomAction $id: Impersonate=\"no\" needs a deferred, rollback or commit action" ;;
        esac
    fi
    printf '%s\t%s\t%s\n' "$type" "$source" "$command"
}

actions=$(count CustomAction)
declare -A expected_row
for ((i = 1; i <= actions; i++)); do
    id=$(attribute CustomAction "$i" Id)
    expected_row[$id]=$(expected_action "$i")
done

# ---- What the .wxs says of the schedule: "action<TAB>anchor<TAB>after|before<TAB>condition"
# RemoveExistingProducts comes from the MajorUpgrade's Schedule (afterInstallValidate unless
# given), the custom actions from InstallExecuteSequence's Custom elements.
places() {
    if [ "$(count MajorUpgrade)" -gt 0 ]; then
        local schedule
        schedule=$(attribute MajorUpgrade 1 Schedule)
        case "${schedule:-afterInstallValidate}" in
            afterInstallValidate) printf 'RemoveExistingProducts\tInstallValidate\tafter\t\n' ;;
            afterInstallInitialize) printf 'RemoveExistingProducts\tInstallInitialize\tafter\t\n' ;;
            afterInstallExecute) printf 'RemoveExistingProducts\tInstallExecute\tafter\t\n' ;;
            afterInstallFinalize) printf 'RemoveExistingProducts\tInstallFinalize\tafter\t\n' ;;
            *) fail "MajorUpgrade Schedule=\"$schedule\" is not checked here" ;;
        esac
    fi
    local customs custom
    custom="$(element InstallExecuteSequence)/*[local-name()='Custom']"
    customs=$(wxs "count($custom)")
    for ((i = 1; i <= customs; i++)); do
        local action after before condition
        action=$(wxs "string(($custom)[$i]/@Action)")
        after=$(wxs "string(($custom)[$i]/@After)")
        before=$(wxs "string(($custom)[$i]/@Before)")
        condition=$(wxs "string(($custom)[$i])")
        if [ -n "$after" ]; then
            printf '%s\t%s\tafter\t%s\n' "$action" "$after" "$condition"
        elif [ -n "$before" ]; then
            printf '%s\t%s\tbefore\t%s\n' "$action" "$before" "$condition"
        else
            fail "Custom $action: only After= and Before= are checked here"
        fi
    done
}
schedule=$(places)

# ---- The writes
for id in "${!expected_row[@]}"; do
    IFS=$'\t' read -r type source target <<<"${expected_row[$id]}"
    if [ "$(row CustomAction "$id" | cut -f1-4)" = "$(printf '%s\t%s' "$id" "${expected_row[$id]}")" ]; then
        continue
    fi
    write "CustomAction/$id" "DELETE FROM CustomAction WHERE Action = '$id'" \
        "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('$id', $type, '$source', '$target')"
done
# Each action goes right after (or right before) its anchor, in the order the .wxs lists them, so
# that actions anchored to one another keep their order: an anchor is placed before the actions
# anchored to it when the .wxs lists it first (CheckDriversRemoved, Before="RemoveFiles", then
# UninstallDrivers, Before="CheckDriversRemoved"). An anchor listed later would move after its
# action was placed, and the check below would name the action's place.
while IFS=$'\t' read -r action anchor side condition; do
    anchor_sequence=$(sequence_of "$anchor")
    [ -n "$anchor_sequence" ] || fail "$action is scheduled $side $anchor, which is not in InstallExecuteSequence"
    if [ "$side" = "after" ]; then place=$((anchor_sequence + 1)); else place=$((anchor_sequence - 1)); fi
    [ "$(sequence_of "$action")" = "$place" ] && continue
    taken=$(rows InstallExecuteSequence | awk -F '\t' -v at="$place" -v me="$action" '$3 == at && $1 != me {print $1}')
    [ -z "$taken" ] || fail "$action belongs at $place, $side $anchor, but $taken is there"
    delete="DELETE FROM InstallExecuteSequence WHERE Action = '$action'"
    if [ -n "$condition" ]; then
        write "InstallExecuteSequence/$action" "$delete" "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('$action', '$condition', $place)"
    else
        write "InstallExecuteSequence/$action" "$delete" "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('$action', $place)"
    fi
done <<<"$schedule"

if [ -n "$without" ] && ! $left_out; then
    fail "--without $without names none of the writes that this package needed"
fi

# ---- The check, on the tables read back
differences=()
checked=0
for id in "${!expected_row[@]}"; do
    checked=$((checked + 1))
    IFS=$'\t' read -r type source target <<<"${expected_row[$id]}"
    read_back=$(row CustomAction "$id")
    if [ -z "$read_back" ]; then
        differences+=("CustomAction $id: missing (expected type $type, source $source, target $target)")
        continue
    fi
    IFS=$'\t' read -r _ got_type got_source got_target _ <<<"$read_back"
    [ "$got_type" = "$type" ] || differences+=("CustomAction $id: type $got_type, expected $type")
    [ "$got_source" = "$source" ] || differences+=("CustomAction $id: source $got_source, expected $source")
    [ "$got_target" = "$target" ] || differences+=("CustomAction $id: target $got_target, expected $target")
    # Type 2's source is a Binary row, type 34's a Directory row (the low six bits are the type).
    case $((type & 63)) in
        2) table=Binary ;;
        18) table=File ;;
        34) table=Directory ;;
        *) table="" ;;
    esac
    if [ -n "$table" ] && [ -z "$(row "$table" "$source")" ]; then
        differences+=("CustomAction $id: its source $source is not in the $table table")
    fi
done
while IFS=$'\t' read -r action anchor side condition; do
    checked=$((checked + 1))
    at=$(sequence_of "$action")
    anchor_at=$(sequence_of "$anchor")
    if [ -z "$at" ]; then
        differences+=("InstallExecuteSequence $action: missing (expected $side $anchor)")
        continue
    fi
    # After its anchor and before the next action that the .wxs does not schedule itself, or
    # the mirror of that for Before=.
    own=$(cut -f1 <<<"$schedule")
    others=$(rows InstallExecuteSequence | awk -F '\t' 'NR == FNR {own[$1] = 1; next} !($1 in own) {print $3 "\t" $1}' <(echo "$own") -)
    if [ "$side" = "after" ]; then
        bound=$(sort -n <<<"$others" | awk -F '\t' -v a="$anchor_at" '$1 > a {print $1; exit}')
        if ! [ "$at" -gt "$anchor_at" ] || { [ -n "$bound" ] && ! [ "$at" -lt "$bound" ]; }; then
            differences+=("InstallExecuteSequence $action: at $at, expected right after $anchor ($anchor_at)")
        fi
    else
        bound=$(sort -n <<<"$others" | awk -F '\t' -v a="$anchor_at" '$1 < a {b = $1} END {print b}')
        if ! [ "$at" -lt "$anchor_at" ] || { [ -n "$bound" ] && ! [ "$at" -gt "$bound" ]; }; then
            differences+=("InstallExecuteSequence $action: at $at, expected right before $anchor ($anchor_at)")
        fi
    fi
    got_condition=$(row InstallExecuteSequence "$action" | cut -f2)
    [ "$got_condition" = "$condition" ] ||
        differences+=("InstallExecuteSequence $action: condition '$got_condition', expected '$condition'")
done <<<"$schedule"
# The platform is the summary's Template: "x64;1033".
checked=$((checked + 1))
platform=$(attribute Package 1 Platform)
template=$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')
[ "${template%%;*}" = "${platform:-x86}" ] ||
    differences+=("Summary: platform ${template%%;*}, expected ${platform:-x86}")

if [ "${#differences[@]}" -gt 0 ]; then
    printf 'build-example-msi: %s\n' "${differences[@]}" >&2
    echo "example MSI: ${#differences[@]} of $checked checks differ from drivers.wxs; $output not written" >&2
    exit 1
fi
mv "$msi" "$output"
echo "example MSI: $checked of $checked checks as drivers.wxs says, $writes rows written after wixl: $output"
