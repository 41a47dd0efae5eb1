#!/usr/bin/env bash
# Runs a test program under a two-monitor X server: multi-monitor-test.sh LAYOUT PROGRAM [ARGS]
set -euo pipefail
layout=$1
program=$2
shift 2
export ZARNIK_RUN_DIR=${ZARNIK_RUN_DIR:-$(dirname "$program")/../run}
. "$(dirname "$0")/multi-monitor-env.sh"
trap zarnik_multi_stop EXIT
zarnik_multi_start "$layout"
wine "$program" "$@"
