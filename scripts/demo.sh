#!/usr/bin/env bash
# The main job: a tour of the library against a loyalty service on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
exec build/bin/halvora-tour
