# The Debian packages every build needs; sourced by the other scripts.
KESTU_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libjpeg-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libpixman-1-dev
  libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri
)
