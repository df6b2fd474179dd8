#!/usr/bin/env bash
# Every language the product's texts have is complete outside the binaries too:
# the setup's texts (the same strings and the same $variables as English, the
# file included by the setup), the policy templates' ADML (well-formed, the
# same string and presentation ids as English) and a glossary.
# check_languages.sh <source root>
root=$1
fail=0
say() { echo "FAIL: $*"; fail=1; }

# Lines "NAME variables..." of one setup language file.
nsis_strings() {
    sed -n 's/^LangString \([A-Z_]*\) [^ ]* "\(.*\)"$/\1 \2/p' "$1" |
        while read -r name text; do
            echo "$name $(grep -oE '\$(\\[rnt"]|\{[A-Za-z_]+\}|\([A-Za-z_]+\)|[A-Za-z_0-9]+)' <<<"$text" | sort | tr '\n' ' ')"
        done | sort
}
adml_ids() {
    xmllint --xpath '//*[local-name()="string" or local-name()="presentation"]/@id' "$1" 2>/dev/null |
        tr ' ' '\n' | grep . | sort
}

english_nsis=$(nsis_strings "$root/packaging/lang/en-US.nsh")
english_adml=$(adml_ids "$root/packaging/policy/en-US/Tarn.adml")
[ -n "$english_nsis" ] && [ -n "$english_adml" ] || say "no English setup texts or ADML"
for rc in "$root"/src/utils/vkbd/windows/lang/*.rc; do
    tag=$(basename "$rc" .rc)
    nsh=$root/packaging/lang/$tag.nsh adml=$root/packaging/policy/$tag/Tarn.adml
    if [ ! -f "$nsh" ]; then
        say "$tag: no setup texts $nsh"
    else
        diff <(echo "$english_nsis") <(nsis_strings "$nsh") >/dev/null ||
            say "$tag: setup strings or their variables differ from English: $(diff <(echo "$english_nsis") <(nsis_strings "$nsh") | grep '^>' | head -3)"
        grep -q "^!insertmacro MUI_LANGUAGE " "$nsh" || say "$tag: no MUI_LANGUAGE"
        grep -qxF "!include lang\\$tag.nsh" "$root/packaging/tarn.nsi" || say "$tag: not included by tarn.nsi"
    fi
    if ! xmllint --noout "$adml" 2>/dev/null; then
        say "$tag: $adml is missing or not well-formed"
    else
        diff <(echo "$english_adml") <(adml_ids "$adml") >/dev/null || say "$tag: ADML ids differ from English"
    fi
    [ "$tag" = en-US ] || [ -s "$root/docs/glossary/$tag.md" ] || say "$tag: no glossary docs/glossary/$tag.md"
done
[ "$fail" -eq 0 ] && echo "languages: $(ls "$root"/src/utils/vkbd/windows/lang/*.rc | wc -l) complete"
exit "$fail"
