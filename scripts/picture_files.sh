# Sourced by the picture scripts: the two HEX files the README's pictures
# show, in ~/firmware so that no checkout path appears in them.
#   picture_files_make    writes $boot and $user (fails when either exists)
#   picture_files_remove  removes what picture_files_make made, ~/firmware too
firmware="$HOME/firmware"
boot="$firmware/bootload_kq581x.hex"
user="$firmware/demo_kq581x.hex"
made_folder=""
made_files=""

picture_files_make() {
  local f
  for f in "$boot" "$user"; do
    [ ! -e "$f" ] || { echo "$f exists already; move it away first" >&2; return 1; }
  done
  [ -d "$firmware" ] || { mkdir -p "$firmware"; made_folder=1; }
  made_files=1
  cp "$root/samples/demo_kq581x.hex" "$user"
  # A small bootloader below the sample's user offset: a jump to 0x0030 and a loop there.
  printf '%s\r\n' ':0200000400FFFB' ':1000000002003000000000000000000000000000BE' \
    ':0500300075816080FEF7' ':00000001FF' >"$boot"
}

picture_files_remove() {
  [ -z "$made_files" ] || rm -f "$boot" "$user"
  [ -z "$made_folder" ] || rmdir "$firmware" 2>/dev/null || true
}
