#!/usr/bin/env bash
# Every fuzz target for 20 seconds from its seeds; scripts/fuzz runs longer.
set -euo pipefail
scripts/fuzz all 20
