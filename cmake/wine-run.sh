#!/usr/bin/env bash
# Runs a Windows program of the build under the project's private Wine environment.
source "$(dirname "$0")/../scripts/wine-env.sh"
exec "${lumvane_wine[@]}" "$@"
