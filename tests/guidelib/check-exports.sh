#!/usr/bin/env bash
# Checks the guide interface library's binary interface: its SONAME, that it exports exactly the guide
# functions (nothing of Qt, C++ or its own helpers), and that it needs neither Qt nor the C++ runtime.
set -euo pipefail
library=${1:?usage: check-exports.sh LIBRARY}
failures=0
fail()
{
    echo "FAILED: $*"
    failures=$((failures + 1))
}

expected=$(sort <<'NAMES'
OpenLCVFile
Rescale
FileNew
ClearCurves
DefaultScales
InsertCurve
Positivescales
Trigscales
Radians
Degrees
zoomin
ClickMoveMouse
OpenDynamicEditor
ChangeDynamicConstant
ChangeConstantTo
ChangeConstantBy
CloseDialogs
SquareScales
SelectCurve
DeleteCurve
DeleteSecondaries
Redraw
DemoDraw
Family
LumatutorHelp
Logon
NumberQuestion
CoordQuestion
RadioQuestion
CheckQuestion
OpenCoordinateEditor
MessagesonOff
CoordinateLabellingOnOff
SetLineThickness
NextFile
LastFile
NAMES
)
[[ $(wc -l <<<"$expected") -eq 36 ]] || fail "the list of expected names does not hold 36"

exported=$(nm -D --defined-only "$library" | awk '{print $NF}' | sed 's/@.*//' | sort)
if [[ $exported != "$expected" ]]; then
    fail "the exported names differ from the guide functions:"
    diff <(echo "$expected") <(echo "$exported") || true
fi
while read -r type; do
    [[ $type == T ]] || fail "an export is not a function (nm type $type)"
done < <(nm -D --defined-only "$library" | awk '{print $(NF-1)}')

soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == liblumatutor.so.1 ]] || fail "SONAME is '$soname', not liblumatutor.so.1"

needed=$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
if grep -E 'Qt|stdc\+\+' <<<"$needed"; then
    fail "the library needs Qt or the C++ runtime"
fi
grep -qx 'libc.so.6' <<<"$needed" || fail "the library does not name the C library"

if ((failures > 0)); then
    exit 1
fi
echo "exports: the 36 guide functions, SONAME $soname, needs: $(tr '\n' ' ' <<<"$needed")"
