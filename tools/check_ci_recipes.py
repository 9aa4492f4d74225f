#!/usr/bin/python3
"""Plays the CI recipes of docs/CI.md locally: each recipe file must parse as
YAML; its shard commands run as a matrix of shards, its merge command merges
their reports, and the review command of docs/CI.md accepts every change of the
merged report through HTTP. The suite is a copy of scenarios/ with one
reference and one flow changed, so that afterwards the copy must equal the
original again and the whole suite pass.

Usage: check_ci_recipes.py QD5RUN SOURCE_DIR WORK_DIR
"""
import filecmp
import glob
import http.client
import json
import os
import re
import shlex
import shutil
import subprocess
import sys

import yaml

HANG_S = 120  # a bound on a hang, not on speed


def run(command, cwd, env, qd5run):
    """Runs one recipe line as its shell would, with build/qd5run the binary under test."""
    status = subprocess.run(["bash", "-c", command], cwd=cwd, env={**os.environ, **env}, timeout=HANG_S,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return status.returncode, status.stdout


def qd5run_lines(commands):
    lines = []
    for command in commands:
        lines += [line.strip() for line in command.splitlines() if line.strip().startswith("build/qd5run ")]
    return lines


def github(recipe):
    jobs = recipe["jobs"]
    shards = jobs["scenarios"]["strategy"]["matrix"]["shard"]
    assert jobs["scenarios"]["env"]["SHARDS"] == len(shards), "SHARDS is the matrix's size"
    steps = lambda job: [step["run"] for step in jobs[job]["steps"] if "run" in step]
    return (len(shards), lambda k: {"SHARD": str(k), "SHARDS": str(len(shards))}, qd5run_lines(steps("scenarios")),
            qd5run_lines(steps("report")))


def gitlab(recipe):
    count = recipe["scenarios"]["parallel"]
    return (count, lambda k: {"CI_NODE_INDEX": str(k), "CI_NODE_TOTAL": str(count)},
            qd5run_lines(recipe["scenarios"]["script"]), qd5run_lines(recipe["report"]["script"]))


def changed_copy(source, work):
    """scenarios/ copied with one compared reference replaced by another picture
    and the flow of another scenario cut short."""
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(os.path.join(source, "scenarios"), os.path.join(work, "scenarios"))
    os.makedirs(os.path.join(work, "build"))
    compared = {}
    for path in sorted(glob.glob(os.path.join(work, "scenarios", "*.yaml"))):
        with open(path, encoding="utf-8") as f:
            found = re.search(r"compare:\s*([\w./-]+\.png)", f.read())
        if found:
            compared[os.path.basename(path)] = found.group(1)
    changed_scenario, reference = sorted(compared.items())[0]
    others = sorted(p for p in glob.glob(os.path.join(work, "scenarios", "refs", "*.png"))
                    if not p.endswith(reference))
    shutil.copy(others[0], os.path.join(work, "scenarios", reference))
    flows_path = os.path.join(work, "scenarios", "flows.json")
    with open(flows_path, encoding="utf-8") as f:
        flows = json.load(f)
    cut = sorted(k for k in flows["scenarios"] if k != changed_scenario and len(flows["scenarios"][k]) > 2)[0]
    flows["scenarios"][cut] = flows["scenarios"][cut][:-1]
    with open(flows_path, "w", encoding="utf-8") as f:
        json.dump(flows, f)


def review_accepting_all(command, work, qd5run):
    """Starts the review, accepts every change through HTTP, finishes it."""
    args = shlex.split(command)
    server = subprocess.Popen([qd5run, *args[1:]], cwd=work, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              text=True)
    try:
        first = server.stdout.readline()
        found = re.match(r"review: http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+)$", first.strip())
        assert found, f"the review's first line: {first!r}"
        port, token = found.groups()
        host = f"127.0.0.1:{port}"

        def request(method, path, body=None):
            connection = http.client.HTTPConnection("127.0.0.1", int(port), timeout=HANG_S)
            connection.request(method, f"{path}?token={token}", body=body,
                               headers={"Host": host, "Origin": f"http://{host}", "Content-Type": "application/json"})
            answer = connection.getresponse()
            try:
                return answer.status, answer.read().decode()
            finally:
                connection.close()

        status, page = request("GET", "/")
        assert status == 200, page
        ids = [int(i) for i in re.findall(r'class="change" id="change-\d+" data-change="(\d+)"', page)]
        assert len(ids) == 2, f"one changed reference and one changed flow, not {len(ids)} changes"
        status, decided = request("POST", "/decide", json.dumps({"decision": "accept", "changes": ids}))
        assert status == 200 and all(c["decision"] == "accepted" for c in json.loads(decided)["changes"]), decided
        request("POST", "/finish", "{}")
        out, _ = server.communicate(timeout=HANG_S)
        assert server.returncode == 0, out
        assert "review: 2 accepted, 0 rejected, 0 left undecided" in out, out
    finally:
        if server.poll() is None:
            server.kill()
            server.wait()


def differences(compared, prefix=""):
    found = [prefix + f for f in compared.diff_files + compared.left_only + compared.right_only]
    for name, sub in compared.subdirs.items():
        found += differences(sub, f"{prefix}{name}/")
    return found


def check(name, recipe_file, read, qd5run, source, work, review):
    with open(recipe_file, encoding="utf-8") as f:
        recipe = yaml.safe_load(f)
    shards, env, shard_lines, merge_lines = read(recipe)
    assert shard_lines and merge_lines, f"{name}: no qd5run commands found"
    changed_copy(source, work)
    os.symlink(qd5run, os.path.join(work, "build", "qd5run"))
    for k in range(1, shards + 1):
        for line in shard_lines:
            status, out = run(line, work, env(k), qd5run)
            assert status in (0, 1), f"{name} shard {k}: {line}\n{out}"
    for line in merge_lines:
        status, out = run(line, work, {}, qd5run)
        assert status == 0, f"{name}: {line}\n{out}"
    review_accepting_all(review, work, qd5run)
    differing = differences(filecmp.dircmp(os.path.join(source, "scenarios"), os.path.join(work, "scenarios")))
    assert not differing, f"{name}: after accepting, these still differ from the original: {differing}"
    status, out = run("build/qd5run --flows scenarios/flows.json --out qd5run-out scenarios/*.yaml", work, {}, qd5run)
    assert status == 0, f"{name}: the suite after the review\n{out}"
    print(f"{name}: {shards} shards, merged, reviewed: the accepted changes written, the suite passes")


def main():
    qd5run, source, work = (os.path.abspath(a) for a in sys.argv[1:4])
    with open(os.path.join(source, "docs", "CI.md"), encoding="utf-8") as f:
        reviews = [line.strip() for line in f if line.strip().startswith("build/qd5run --review ")]
    assert len(reviews) == 1, "docs/CI.md shows one review command"
    check("GitHub Actions", os.path.join(source, "docs", "ci", "github-actions.yml"), github, qd5run, source,
          os.path.join(work, "github"), reviews[0])
    check("GitLab CI", os.path.join(source, "docs", "ci", "gitlab-ci.yml"), gitlab, qd5run, source,
          os.path.join(work, "gitlab"), reviews[0])


if __name__ == "__main__":
    main()
