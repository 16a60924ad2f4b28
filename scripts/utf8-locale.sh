# Sourced by every script that starts Wine. Wine gives Unix files their names
# in the character set of the locale, and in the C locale (all a container or
# a bare login without LANG has) it cannot write a name outside ASCII at all.
# A UTF-8 locale the user chose stays; anything else, a locale that is not
# installed included, gives way to C.UTF-8, which every Debian system has.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi
