# Sourced by scripts/deps.sh, scripts/build-cross.sh and scripts/check-reproducible.sh: the
# other CPUs Spirelle is built for, by Debian's name, with the GNU triplet of their cross
# compilers, the processor CMake names, and QEMU's name for its emulator; and those whose GL,
# GLU and GLUT (multi-arch -dev packages) can be installed beside amd64's, so that the viewer
# itself is built for them. s390x's, ppc64el's and riscv64's cannot.
# shellcheck disable=SC2034  # the tables are read by the scripts that source this one
architectures=(arm64 armhf ppc64el riscv64 s390x)
declare -A triple=([arm64]=aarch64-linux-gnu [armhf]=arm-linux-gnueabihf
                   [ppc64el]=powerpc64le-linux-gnu [riscv64]=riscv64-linux-gnu
                   [s390x]=s390x-linux-gnu)
declare -A processor=([arm64]=aarch64 [armhf]=armv7l [ppc64el]=ppc64le [riscv64]=riscv64
                      [s390x]=s390x)
declare -A qemu=([arm64]=aarch64 [armhf]=arm [ppc64el]=ppc64le [riscv64]=riscv64 [s390x]=s390x)
declare -A has_viewer=([arm64]=1 [armhf]=1)

# cross_environment ARCH gcc|clang ON|OFF DEPS: what the cross preset is configured with for
# ARCH, with the viewer or without, GoogleTest's prefix being DEPS. Exports the preset's
# SPIRELLE_CROSS_BUILD and SPIRELLE_CROSS_PROCESSOR, and for the viewer that architecture's
# pkg-config files; sets cross_compiler, cross_roots and cross_options (CMake's options).
cross_environment() {
  local arch=$1 compiler=$2 viewer=$3 deps=$4 target=${triple[$1]}
  local name=$arch
  [ "$compiler" = gcc ] || name=$compiler-$arch
  export SPIRELLE_CROSS_BUILD=$name SPIRELLE_CROSS_PROCESSOR=${processor[$arch]}
  cross_compiler=("-DCMAKE_CXX_COMPILER=$target-g++")
  [ "$compiler" = gcc ] ||
    cross_compiler=(-DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_COMPILER_TARGET=$target")
  # Libraries and headers come from these folders alone; with the viewer, also from the
  # architecture's multi-arch folders under /, found through its own pkg-config files.
  cross_roots="$deps;/usr/$target"
  if [ "$viewer" = ON ]; then
    cross_roots+=";/"
    export PKG_CONFIG_LIBDIR=/usr/lib/$target/pkgconfig:/usr/share/pkgconfig
  fi
  cross_options=("${cross_compiler[@]}" "-DCMAKE_FIND_ROOT_PATH=$cross_roots"
                 "-DSPIRELLE_VIEWER=$viewer" "-DCMAKE_PREFIX_PATH=$deps"
                 "-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-${qemu[$arch]}-static;-L;/usr/$target")
}
