#!/usr/bin/env bash
# Builds the demo databases from the scripts in demo/ with the accdb tool:
#   make_demo_bases.sh ACCDB_BINARY OUT_FOLDER
# OUT_FOLDER/res gets the templates that come with the update: MainBase.accdb, vus_845.accdb,
# adress.accdb and soato.accdb; OUT_FOLDER/in gets a driving school's database (release 3.1);
# OUT_FOLDER/modules/{Kestrin,Lornet,Varsel} get the modules' address bases. Existing files
# are replaced.
set -euo pipefail
accdb=${1:?accdb binary}
out=${2:?output folder}
here=$(cd "$(dirname "$0")/demo" && pwd)
main_pw='Qw7RtYp3LmZx9VbN'
plan_pw='Hk4TmWq8ZrBcE'
mkdir -p "$out/res" "$out/in" "$out/modules/Kestrin" "$out/modules/Lornet" "$out/modules/Varsel"
"$accdb" create "$out/res/MainBase.accdb" --password "$main_pw" --force < "$here/main_base.sql"
"$accdb" create "$out/res/vus_845.accdb" --password "$plan_pw" --force < "$here/vus_845.sql"
cat "$here/adress.sql" "$here/adress_template_rows.sql" | "$accdb" create "$out/res/adress.accdb" --force
"$accdb" create "$out/res/soato.accdb" --force < "$here/soato.sql"
"$accdb" create "$out/in/Avtoshkola.accdb" --password "$main_pw" --force < "$here/user_base.sql"
cat "$here/adress.sql" "$here/adress_rows.sql" | "$accdb" create "$out/modules/Kestrin/adress.accdb" --force
cat "$here/adress.sql" "$here/adress_rows_lornet.sql" | "$accdb" create "$out/modules/Lornet/adress.accdb" --force
cat "$here/adress.sql" "$here/adress_rows_varsel.sql" | "$accdb" create "$out/modules/Varsel/adress.accdb" --force
