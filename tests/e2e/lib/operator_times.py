"""Times from the operator's -v output (operator.out): when a step started, when a box was seen,
in milliseconds since the operator started."""
import re


def step_start(path, step):
    """When the first step whose text is `step` started."""
    for line in open(path):
        m = re.match(r"> +(\d+) ms  \d+: (.*)$", line.rstrip("\n"))
        if m and m.group(2) == step:
            return int(m.group(1))
    raise AssertionError(f"no step {step!r} in {path}")


def box_seen_after(path, step):
    """When the first box after the step `step` was seen."""
    start = step_start(path, step)
    for line in open(path):
        m = re.match(r"  box seen at (\d+) ms$", line.rstrip("\n"))
        if m and int(m.group(1)) >= start:
            return int(m.group(1))
    raise AssertionError(f"no box seen after {step!r} in {path}")


def box_delay(path, step):
    """Milliseconds from the start of the step `step` to the first box seen after it."""
    return box_seen_after(path, step) - step_start(path, step)
