# The screenshot shows the window: dialog-sized and not one flat colour.
set -eu
read -r width height colours < <(identify -format '%w %h %k\n' start.png)
echo "screenshot ${width}x${height}, $colours colours"
[ "$width" -ge 600 ] && [ "$height" -ge 300 ] && [ "$colours" -ge 4 ]
