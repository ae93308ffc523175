#!/usr/bin/env bash
# Builds Tarvolin in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVOLIN_TESTS=OFF -DTARVOLIN_BENCH=OFF
cmake --build build/release
exec ./build/release/src/app/Tarvolin
