#!/bin/sh
# The stripped install of the Linux packages strips as Debian's dh_strip does:
# the compiler's .comment and the .note section go too.
exec strip --remove-section=.comment --remove-section=.note "$@"
