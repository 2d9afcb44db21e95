# Sourced by scripts/deps.sh and scripts/build-cross.sh: the other CPUs Spirelle is built for,
# by Debian's name, with the GNU triplet of their cross compilers, the processor CMake names,
# and QEMU's name for its emulator; and those whose GL, GLU and GLUT (multi-arch -dev
# packages) can be installed beside amd64's, so that the viewer itself is built for them.
# s390x's, ppc64el's and riscv64's cannot.
# shellcheck disable=SC2034  # the tables are read by the scripts that source this one
architectures=(arm64 armhf ppc64el riscv64 s390x)
declare -A triple=([arm64]=aarch64-linux-gnu [armhf]=arm-linux-gnueabihf
                   [ppc64el]=powerpc64le-linux-gnu [riscv64]=riscv64-linux-gnu
                   [s390x]=s390x-linux-gnu)
declare -A processor=([arm64]=aarch64 [armhf]=armv7l [ppc64el]=ppc64le [riscv64]=riscv64
                      [s390x]=s390x)
declare -A qemu=([arm64]=aarch64 [armhf]=arm [ppc64el]=ppc64le [riscv64]=riscv64 [s390x]=s390x)
declare -A has_viewer=([arm64]=1 [armhf]=1)
