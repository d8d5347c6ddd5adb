#!/usr/bin/env bash
# Checks that the modules depend on each other one way only: nothing below the application object
# includes app/ or links its library, the playback controller knows nothing of the usage reporter,
# and the reporter knows nothing of playback/ beyond the interface header it implements.
set -uo pipefail
cd "$1" || exit 2
status=0
fail() {
  echo "$1"
  printf '%s\n' "$2" | sed 's/^/  /'
  status=1
}

sources=(app playback stationdb settings stations_ui skin report updater platform tools res)
hits=$(grep -rnE '#include "app/' "${sources[@]}" --include='*.cpp' --include='*.h' | grep -v '^app/')
[ -z "$hits" ] || fail "Only app/ may include app/'s headers:" "$hits"

hits=$(grep -rnE 'Velotune::App\b|velotune_app\b' "${sources[@]}" --include=CMakeLists.txt | grep -v '^app/')
[ -z "$hits" ] || fail "Only the velotune program may link app/'s library:" "$hits"

hits=$(grep -rnE '#include "playback/' report | grep -v '"playback/usage_reporter.h"')
[ -z "$hits" ] || fail "report/ may include only playback/usage_reporter.h of playback/:" "$hits"

hits=$(grep -rnE '#include "report/|Velotune::Report' playback)
[ -z "$hits" ] || fail "playback/ must not depend on report/:" "$hits"

hits=$(grep -rnE 'Velotune::Playback' report --include=CMakeLists.txt)
[ -z "$hits" ] || fail "report/ must not link the playback library:" "$hits"

exit $status
