#!/usr/bin/env bash
# Installs the build tools Morvane needs when they are missing. Debian only;
# needs root (or sudo). Does nothing when everything is present.
set -euo pipefail

need=()
command -v cmake   >/dev/null 2>&1 || need+=(cmake)
command -v g++     >/dev/null 2>&1 || need+=(g++)
command -v make    >/dev/null 2>&1 || need+=(make)
command -v bison   >/dev/null 2>&1 || need+=(bison)
command -v python3 >/dev/null 2>&1 || need+=(python3)
if [ ! -e /usr/include/gtest/gtest.h ]; then need+=(libgtest-dev); fi

if [ ${#need[@]} -eq 0 ]; then exit 0; fi

echo "Installing missing build tools: ${need[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
