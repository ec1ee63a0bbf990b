#!/usr/bin/env bash
# Checks the includes of every source file against the layers: the core (base, library,
# settings, engine, system) stays plain C++, with no toolkit, no X11 and no platform
# implementation, and each layer includes only the layers below it.
set -u
src=${1:?usage: check_layers.sh <src folder>}
status=0

# forbidden <layer> <pattern>: no file of the layer may include a path matching the pattern.
forbidden() {
    local layer=$1 pattern=$2 hits
    hits=$(grep -rnE "^#include [<\"]($pattern)" "$src/$layer" --include='*.h' --include='*.cpp' || true)
    if [ -n "$hits" ]; then
        echo "$layer may not include $pattern:"
        echo "$hits"
        status=1
    fi
}

outside_core='platform/(linux|qt|x11)/|main/|ui/|agent/|Q[A-Za-z]|qt|xcb/|X11/'
for layer in base library settings engine system; do
    forbidden "$layer" "$outside_core"
done
forbidden base 'library/|settings/|engine/|system/|platform/'
forbidden library 'settings/|engine/|system/|platform/'
forbidden settings 'engine/|system/|platform/'
forbidden engine 'system/'
forbidden system 'engine/|library/'
# The interfaces are the platform's lowest part: they know the core's values, not its services.
for header in "$src"/platform/*.h; do
    if grep -nE '^#include [<"](platform/(linux|qt|x11)/|engine/|system/|settings/|main/|ui/|Q|xcb/)' "$header"; then
        echo "^ $header: a platform interface includes an implementation or a service"
        status=1
    fi
done

[ $status -eq 0 ] && echo "layers: every include is allowed"
exit $status
