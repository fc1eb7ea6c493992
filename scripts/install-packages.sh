#!/usr/bin/env bash
# Installs what building, running and testing Yorsabat needs on Debian 12,
# as root. Quick when everything is already there.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools
  # database access: ODBC driver manager and the FreeTDS driver
  unixodbc unixodbc-dev tdsodbc freetds-bin
  # workbooks and the stand-in server
  libxlsxwriter-dev zlib1g-dev libsqlite3-dev sqlite3
  # fonts with Turkish letters (the condensed face for the report buttons)
  fonts-dejavu-core fonts-dejavu-extra
  # tests: reading workbooks back, a virtual display, screenshots, the Turkish locale
  python3-openpyxl python3-xlsxwriter xvfb xauth imagemagick locales
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "install-packages: run as root to install: ${missing[*]}" >&2
    exit 1
  fi
  echo "install-packages: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The data layer finds the FreeTDS driver by its registered name; the package
# registers it, but a machine where that step was skipped gets it here.
if ! odbcinst -q -d -n FreeTDS >/dev/null 2>&1; then
  echo "install-packages: registering the FreeTDS ODBC driver"
  odbcinst -i -d -f /usr/share/tdsodbc/odbcinst.ini
fi

# Tests write numbers under a Turkish locale (decimal comma).
if ! locale -a 2>/dev/null | grep -qiE '^tr_TR\.utf-?8$'; then
  echo "install-packages: generating the tr_TR.UTF-8 locale"
  localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
fi
