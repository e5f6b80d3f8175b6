#!/usr/bin/env bash
# Builds the demo databases from the scripts in demo/ with the accdb tool:
#   make_demo_bases.sh ACCDB_BINARY OUT_FOLDER
# OUT_FOLDER/res gets MainBase.accdb, vus_845.accdb, adress.accdb (empty template) and
# soato.accdb; OUT_FOLDER/in gets a driving school's database; OUT_FOLDER/modules gets a
# module's address base with rows. Existing files are replaced.
set -euo pipefail
accdb=${1:?accdb binary}
out=${2:?output folder}
here=$(cd "$(dirname "$0")/demo" && pwd)
main_pw='Qw7RtYp3LmZx9VbN'
plan_pw='Hk4TmWq8ZrBcE'
mkdir -p "$out/res" "$out/in" "$out/modules"
"$accdb" create "$out/res/MainBase.accdb" --password "$main_pw" --force < "$here/main_base.sql"
"$accdb" create "$out/res/vus_845.accdb" --password "$plan_pw" --force < "$here/vus_845.sql"
"$accdb" create "$out/res/adress.accdb" --force < "$here/adress.sql"
"$accdb" create "$out/res/soato.accdb" --force < "$here/soato.sql"
"$accdb" create "$out/in/Avtoshkola.accdb" --password "$main_pw" --force < "$here/user_base.sql"
cat "$here/adress.sql" "$here/adress_rows.sql" | "$accdb" create "$out/modules/adress.accdb" --force
