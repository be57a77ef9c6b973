# Only the last Port Open reached the line: one set-up, at 38400 baud.
import json

records = [json.loads(line) for line in open("printer/log.jsonl")]
ttys = [r for r in records if r.get("ev") == "tty" and not r.get("initial")]
print("\n".join(json.dumps(r) for r in ttys))
assert ttys, "the line was never set up"
assert all(r["baud"] == 38400 for r in ttys), "a line set-up other than the last Port Open"
