# The printer saw the line set to 9600 baud with RTS/CTS, then to 19200 baud with Xon/Xoff
# output flow, in that order.
import json

records = [json.loads(line) for line in open("printer/log.jsonl")]
ttys = [r for r in records if r.get("ev") == "tty" and not r.get("initial")]
print("\n".join(json.dumps(r) for r in ttys))


def first(pred, start=0):
    return next((i for i in range(start, len(ttys)) if pred(ttys[i])), None)


rts = first(lambda r: r["baud"] == 9600 and r["crtscts"] and not r["ixon"] and not r["ixoff"])
assert rts is not None, "no 9600 baud RTS/CTS line"
xon = first(lambda r: r["baud"] == 19200 and r["ixon"] and not r["ixoff"] and not r["crtscts"], rts + 1)
assert xon is not None, "no 19200 baud Xon/Xoff line after the first"
assert ttys[-1] == ttys[xon], "the line changed after the second Port Open"
