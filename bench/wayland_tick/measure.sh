# Sourced in the tests' sway session (tests/wayland/run.sh).
wayland_tick_bench 800 600 21
wayland_tick_bench 1920 1080 21
