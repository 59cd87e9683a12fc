# Third-party notices of the shipped programs, collected from what their
# link maps say went into them. Source it; it defines functions only.
#
# Every input of a link has to map to a copyright file, or the packaging
# fails:
#   build/win/<name>/...      a library built from Debian's source package,
#                             unpacked in build/win/<name>/source: its
#                             debian/copyright (the convention of
#                             cmake/webp2qdl.cmake; a new library follows it);
#                             an identical copy installed elsewhere in
#                             build/win counts as that library;
#   lib<T>.a, CMakeFiles/<T>.dir/...
#                             a target of this project: each of its sources
#                             must be the project's own or lie under
#                             build/win/<name>/source (as above);
#   /usr/...                  a file of an installed Debian package (the
#                             MinGW-w64 runtime and import libraries):
#                             /usr/share/doc/<package>/copyright.
# Anything else is reported and the packaging fails.

declare -A notice_copyright=() notice_title=() notice_parts=() notice_programs=() package_of=()
unmapped_inputs=()

# add_notice KEY TITLE COPYRIGHT-FILE PART PROGRAM
add_notice() {
  local key=$1
  notice_title[$key]=$2
  notice_copyright[$key]=$3
  case " ${notice_parts[$key]:-} " in *" $4 "*) ;; *) notice_parts[$key]="${notice_parts[$key]:-} $4" ;; esac
  case " ${notice_programs[$key]:-} " in *" $5 "*) ;; *) notice_programs[$key]="${notice_programs[$key]:-} $5" ;; esac
}

# add_library_notice BUILD-DIR NAME PART PROGRAM: false when the library has
# no Debian source tree.
add_library_notice() {
  local debian="$1/$2/source/debian"
  [ -f "$debian/copyright" ] && [ -f "$debian/changelog" ] || return 1
  local title=${notice_title[library:$2]:-}
  if [ -z "$title" ]; then
    local source version
    source=$(dpkg-parsechangelog -l "$debian/changelog" -S Source)
    version=$(dpkg-parsechangelog -l "$debian/changelog" -S Version)
    title="$source $version (built from Debian's source package $source)"
  fi
  add_notice "library:$2" "$title" "$debian/copyright" "$3" "$4"
}

# add_target_notices BUILD-DIR TARGET PROGRAM: the sources of a target of
# this project; those of a library need its notice.
add_target_notices() {
  local build=$1 target=$2 program=$3 depend="$1/CMakeFiles/$2.dir/DependInfo.cmake" source
  if [ ! -f "$depend" ]; then
    unmapped_inputs+=("$program: target $target (no $depend)")
    return
  fi
  while read -r source; do
    case "$source" in
      "$build"/*/source/*)
        local name=${source#"$build"/}
        name=${name%%/*}
        add_library_notice "$build" "$name" "$(basename "$source")" "$program" \
          || unmapped_inputs+=("$program: $source (compiled into $target)")
        ;;
      "$project_root"/build/*) unmapped_inputs+=("$program: $source (compiled into $target)") ;;
      "$project_root"/*) ;;
      *) unmapped_inputs+=("$program: $source (compiled into $target)") ;;
    esac
  done < <(sed -n -E 's/^ *"([^"]+)" "[^"]+" "[^"]+" .*/\1/p' "$depend")
}

# add_package_notice FILE PROGRAM: an installed Debian package's file.
add_package_notice() {
  local file package version
  file=$(realpath "$1")
  package=${package_of[$file]:-}
  if [ -z "$package" ] || [ ! -f "/usr/share/doc/$package/copyright" ]; then
    unmapped_inputs+=("$2: $1 (no Debian package with a copyright file)")
    return
  fi
  [ -n "${notice_title[package:$package]:-}" ] || version=$(dpkg-query -W -f='${Version}' "$package")
  add_notice "package:$package" "${notice_title[package:$package]:-$package $version (Debian package)}" \
    "/usr/share/doc/$package/copyright" "$(basename "$1")" "$2"
}

# add_archive_notice BUILD-DIR ARCHIVE PROGRAM: an archive under
# build/win/<name>/, or a copy of one installed elsewhere in build/win (a
# private prefix that another library's build finds it in).
add_archive_notice() {
  local build=$1 archive=$2 program=$3 copyright name copy
  add_library_notice "$build" "${archive%%/*}" "$(basename "$archive")" "$program" && return
  for copyright in "$build"/*/source/debian/copyright; do
    name=${copyright#"$build"/}
    name=${name%%/*}
    while read -r copy; do
      if cmp -s "$copy" "$build/$archive"; then
        add_library_notice "$build" "$name" "$(basename "$archive")" "$program" && return
      fi
    done < <(find "$build/$name" -name "$(basename "$archive")" -not -path "*/source/*" 2>/dev/null)
  done
  unmapped_inputs+=("$program: $archive")
}

# collect_notices BUILD-DIR LINK-MAP PROGRAM: every input the map loaded.
collect_notices() {
  local build=$1 map=$2 program=$3 input
  if [ ! -f "$map" ]; then
    unmapped_inputs+=("$program: no link map $map")
    return
  fi
  local inputs line
  # LOAD lines name every input file, and two kinds of the linker's own.
  inputs=$(sed -n -E 's/^LOAD (.*)$/\1/p' "$map" | grep -v -x -e 'dll stuff' -e 'linker stubs' | awk '!seen[$0]++')
  # One dpkg query for all files of installed packages: each call takes a
  # quarter of a second.
  while IFS= read -r line; do
    package_of[${line#*: }]=${line%%[,:]*}
  done < <(printf '%s\n' "$inputs" | grep '^/' | xargs -r realpath | xargs -r dpkg -S 2>/dev/null)
  while read -r input; do
    case "$input" in
      /*) add_package_notice "$input" "$program" ;;
      CMakeFiles/*.dir/*)
        local target=${input#CMakeFiles/}
        add_target_notices "$build" "${target%%.dir/*}" "$program"
        ;;
      lib*.a)
        if [[ "$input" == */* ]]; then
          add_archive_notice "$build" "$input" "$program"
        else
          local target=${input#lib}
          add_target_notices "$build" "${target%.a}" "$program"
        fi
        ;;
      */*) add_archive_notice "$build" "$input" "$program" ;;
      *) unmapped_inputs+=("$program: $input") ;;
    esac
  done <<<"$inputs"
}

# write_notices FILE: the notices file (LF line ends), or false with the
# inputs that map to no copyright file.
write_notices() {
  local out=$1 key
  if [ ${#unmapped_inputs[@]} -gt 0 ]; then
    echo "These inputs of the shipped programs have no licence notice:" >&2
    printf '  %s\n' "${unmapped_inputs[@]}" >&2
    echo "A library belongs in build/win/<name>/ with Debian's source in build/win/<name>/source." >&2
    return 1
  fi
  local keys
  keys=$(printf '%s\n' "${!notice_title[@]}" | sort)
  {
    echo "Third-party notices"
    echo "==================="
    echo
    echo "Vellora.exe and Utilities-WebP\\WebP2QDL_only1stframe.exe are statically"
    echo "linked: besides Vellora's own code (see LICENSE) they contain the parts of"
    echo "other works listed here. Each section below is the copyright file of the"
    echo "Debian package the part comes from, as Debian publishes it."
    echo
    for key in $keys; do
      echo "* ${notice_title[$key]}"
      echo "  parts:${notice_parts[$key]}" | fold -s -w 79 | sed 's/ *$//; 2,$s/^/        /'
      echo "  in:${notice_programs[$key]}"
    done
    local licences
    licences=$(for key in $keys; do cat "${notice_copyright[$key]}"; done |
      grep -o '/usr/share/common-licenses/[A-Za-z0-9.+_-]*[A-Za-z0-9+]' | sort -u |
      while read -r licence; do [ -f "$licence" ] && realpath "$licence"; done | sort -u)
    # Packages of one source (gcc and g++) share one copyright file: once.
    local sums shared
    sums=$(for key in $keys; do echo "$(md5sum <"${notice_copyright[$key]}" | cut -c1-32) $key"; done)
    for shared in $(printf '%s\n' "$sums" | awk '!seen[$1]++ { print $1 }'); do
      echo
      echo "================================================================================"
      printf '%s\n' "$sums" | awk -v sum="$shared" '$1 == sum { print $2 }' |
        while read -r key; do echo "${notice_title[$key]}"; done
      echo "================================================================================"
      echo
      cat "$(printf '%s\n' "$sums" | awk -v sum="$shared" '$1 == sum { print $2; exit }' |
        { read -r key; echo "${notice_copyright[$key]}"; })"
    done
    # Debian's copyright files refer to the full licence texts on a Debian
    # system; a Windows user has none, so they come along.
    local licence
    for licence in $licences; do
      echo
      echo "================================================================================"
      echo "$licence"
      echo "================================================================================"
      echo
      cat "$licence"
    done
  } >"$out"
}
