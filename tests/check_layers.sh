#!/usr/bin/env bash
# The subsystems' includes run one way: no subsystem includes the
# application shell (app/), serial/ includes nothing of the terminal but the
# platform-free screen core its record holds, and no platform-free core file
# includes <windows.h>. Prints every include that breaks this.
cd "$(dirname "$0")/.." || exit 2
bad=0
report() { echo "layers: $1"; bad=1; }
while IFS= read -r hit; do report "$hit includes the application shell"; done < <(
  grep -Hn '#include "app/' audio/*.* serial/*.* terminal/*.* pattern/*.* dialogs/*.* input/*.* 2>/dev/null)
while IFS= read -r hit; do report "$hit: serial/ reaches into the terminal"; done < <(
  grep -Hn '#include "terminal/' serial/*.* | grep -v '"terminal/tty_screen.h"')
while IFS= read -r hit; do report "$hit: the screen core reaches into serial/"; done < <(
  grep -Hn '#include "serial/' terminal/tty_screen.*)
# The platform-free core: the sources of the quaverton_core library in
# CMakeLists.txt, and the header beside each.
core=$(sed -n '/^add_library(quaverton_core/,/^)/p' CMakeLists.txt | grep -o '[a-z_/]*\.cpp')
[[ -n $core ]] || report "no quaverton_core sources found in CMakeLists.txt"
for source in $core; do
  for file in "$source" "${source%.cpp}.h"; do
    [[ -f $file ]] || continue
    while IFS= read -r hit; do report "$file:$hit: the platform-free core includes windows.h"; done < <(
      grep -n '#include <windows.h>' "$file")
  done
done
exit $bad
