#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when missing.
#   --office  also LibreOffice (Calc, without its windows), which only the test that opens the
#             exported workbooks in a spreadsheet program needs
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc libgl-dev
    qt6-webengine-dev
    libsqlite3-dev sqlite3 libssl-dev libicu-dev
    unixodbc unixodbc-dev tdsodbc freetds-common
    libqt6sql6-psql libpq-dev postgresql odbc-postgresql
    fonts-wqy-zenhei
    ibus
    libxlsxwriter-dev libfreexl-dev python3-xlrd python3-openpyxl poppler-utils libzint-dev zbar-tools
    dpkg-dev lintian qt6-qpa-plugins qt6-translations-l10n
    libcups2-dev cups-daemon cups-client cups-filters printer-driver-cups-pdf ghostscript
    clang libclang-rt-14-dev
)
if [ "${1:-}" = "--office" ]; then
    packages+=(libreoffice-calc-nogui)
fi

# node and npm run the T-SQL grammar check of the tests (node-sql-parser); any node will do.
if ! command -v npm >/dev/null; then
    packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
