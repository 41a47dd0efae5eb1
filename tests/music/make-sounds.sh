#!/usr/bin/env bash
# Makes the short test sounds (committed beside this script in data/).
set -euo pipefail
cd "$(dirname "$0")/data"
sox -n -r 22050 -c 1 -b 16 tone.wav synth 1 sine 440 vol 0.8
sox -n -r 22050 -c 1 -b 16 tone3s.wav synth 3 sine 660 vol 0.8
lame --quiet -b 32 tone3s.wav tone.mp3
rm tone3s.wav
