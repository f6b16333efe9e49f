#!/bin/sh
# Builds the Debian source package from the tree as git sees it (the upstream tarball without
# debian/, then the .dsc) in a scratch folder, and runs lintian on it: any error or warning
# fails. Usage: lint-source-package.sh <source tree> <scratch folder>
set -eu
tree=$1
scratch=$2
version=$(dpkg-parsechangelog -l "$tree/debian/changelog" -S Version)
upstream=${version%-*}
rm -rf "$scratch"
mkdir -p "$scratch/lexivo-$upstream"
# Tracked and new files alike, less what .gitignore leaves out (build folders).
(cd "$tree" && git ls-files -z --cached --others --exclude-standard) |
    (cd "$tree" && tar --null --ignore-failed-read -cf - -T -) |
    tar -xf - -C "$scratch/lexivo-$upstream"
cd "$scratch"
tar --exclude="lexivo-$upstream/debian" -cJf "lexivo_$upstream.orig.tar.xz" "lexivo-$upstream"
dpkg-source -b "lexivo-$upstream" >/dev/null
lintian --display-info --fail-on error,warning "lexivo_$version.dsc"
