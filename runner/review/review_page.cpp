#include "runner/review/review_page.h"

#include "runner/files/evidence_names.h"

namespace {

constexpr const char* STYLE = R"(body{font-family:sans-serif;margin:1.5em;color:#111;background:#fff}
table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:top}
img.small{image-rendering:pixelated;width:160px;height:128px;border:1px solid #888}
img.evidence{image-rendering:pixelated;max-width:480px;border:1px solid #888}
.strip{display:flex;flex-wrap:wrap;gap:1em}figure{margin:0}figcaption{font-size:.85em}
tr.added td.new,tr.changed td{background:#fee}tr.removed td.old{background:#fee}
.change{border:2px solid #ccc;padding:.5em 1em;margin:1em 0}.change.current{border-color:#06c}
.change[data-state=accepted]{background:#efe}.change[data-state=rejected]{background:#f4f4f4}
.refused,.error{color:#a00}kbd{border:1px solid #888;border-radius:3px;padding:0 .3em}
)";

// Decisions go to the server as POSTs; the page keeps no state of its own.
constexpr const char* SCRIPT = R"(
const changes = [...document.querySelectorAll('.change')];
let current = 0;
function show(i) {
  if (!changes.length) return;
  current = (i + changes.length) % changes.length;
  changes.forEach(c => c.classList.remove('current'));
  changes[current].classList.add('current');
  changes[current].focus();
}
async function post(path, body) {
  const r = await fetch(path, {method: 'POST', headers: {'Content-Type': 'application/json'},
                               body: JSON.stringify(body)});
  const answer = await r.json();
  if (!r.ok) throw new Error(answer.error);
  return answer;
}
async function decide(decision, list) {
  const ids = list.filter(c => c.dataset.state === 'undecided').map(c => Number(c.dataset.change));
  if (!ids.length) return;
  try {
    for (const a of (await post('decide', {decision, changes: ids})).changes) {
      const c = document.getElementById('change-' + a.change);
      c.dataset.state = a.decision;
      c.querySelector('.state').textContent = a.decision + (a.outcome ? ': ' + a.outcome : '');
      if (a.decision !== 'undecided') c.querySelectorAll('.accept, .reject').forEach(b => b.disabled = true);
    }
  } catch (e) { document.getElementById('status').textContent = String(e.message || e); }
}
function toggle(c) {
  const img = c.querySelector('img.flip'), button = c.querySelector('.toggle');
  if (!img) return;
  const actual = img.getAttribute('src') !== img.dataset.actual;
  img.src = actual ? img.dataset.actual : img.dataset.reference;
  button.textContent = actual ? 'Show the reference' : 'Show the actual';
  img.nextElementSibling.firstChild.textContent = actual ? 'Actual ' : 'Reference ';
}
changes.forEach((c, i) => {
  c.addEventListener('click', () => { current = i; changes.forEach(o => o.classList.toggle('current', o === c)); });
  c.querySelector('.accept').addEventListener('click', () => decide('accept', [c]));
  c.querySelector('.reject').addEventListener('click', () => decide('reject', [c]));
  const t = c.querySelector('.toggle');
  if (t) t.addEventListener('click', () => toggle(c));
});
document.querySelectorAll('.accept-scenario').forEach(b => b.addEventListener('click', () =>
  decide('accept', [...b.closest('.scenario').querySelectorAll('.change')])));
document.getElementById('accept-all').addEventListener('click', () => decide('accept', changes));
document.getElementById('finish').addEventListener('click', async () => {
  try {
    const a = await post('finish', {});
    document.body.innerHTML = '<h1>Review finished</h1><p></p>';
    document.querySelector('p').textContent = a.summary + '. This page may be closed.';
  } catch (e) { document.getElementById('status').textContent = String(e.message || e); }
});
document.addEventListener('keydown', e => {
  if (e.ctrlKey || e.altKey || e.metaKey) return;
  const c = changes[current];
  const act = {j: () => show(current + 1), ArrowDown: () => show(current + 1), k: () => show(current - 1),
               ArrowUp: () => show(current - 1), a: () => c && decide('accept', [c]),
               r: () => c && decide('reject', [c]), t: () => c && toggle(c)}[e.key];
  if (act) { e.preventDefault(); act(); }
});
show(0);
)";

std::string figure(const std::string& src, const std::string& caption, const char* css = "evidence") {
    return "<figure><img class=\"" + std::string(css) + "\" src=\"" + src + "\" alt=\"" + caption +
           "\"><figcaption>" + caption + "</figcaption></figure>\n";
}

std::string screenshot_pictures(const ReportScenario& s) {
    auto has = [&](Evidence kind) { return s.evidence[static_cast<int>(kind)]; };
    const std::string expected = evidence_picture(s.stem, Evidence::expected);
    const std::string actual = evidence_picture(s.stem, Evidence::actual);
    std::string out = "<div class=\"strip\">\n";
    out += has(Evidence::expected)
               ? figure(expected, "Reference")
               : "<figure><p>No reference yet.</p><figcaption>Reference</figcaption></figure>\n";
    out += figure(actual, "Actual");
    if (has(Evidence::diff))
        out += figure(evidence_picture(s.stem, Evidence::diff), "Differing pixels in red");
    if (has(Evidence::expected))
        out += "<figure><img class=\"evidence flip\" src=\"" + expected + "\" data-reference=\"" + expected +
               "\" data-actual=\"" + actual +
               "\" alt=\"The reference and the actual in turn\"><figcaption>Reference <button "
               "class=\"toggle\">Show the actual</button> (<kbd>t</kbd>)</figcaption></figure>\n";
    return out + "</div>\n";
}

} // namespace

std::string review_page(const std::string& dir, const Report& report, const std::vector<Change>& changes) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Review - qd5run</title>\n<style>\n" +
        std::string(STYLE) + "</style>\n</head>\n<body>\n<h1>Review</h1>\n<p>" +
        std::to_string(changes.size()) +
        " changes. Accepting one writes what <code>--update</code> would write for it; "
        "rejecting writes nothing. Keys: <kbd>j</kbd> or <kbd>&darr;</kbd> next, <kbd>k</kbd> or "
        "<kbd>&uarr;</kbd> previous, <kbd>a</kbd> accept, <kbd>r</kbd> reject, <kbd>t</kbd> the "
        "reference or the actual. <a href=\"index.html\">The report</a>.</p>\n"
        "<p><button id=\"accept-all\">Accept all</button> <button id=\"finish\">Finish</button> "
        "<span id=\"status\" class=\"error\" role=\"status\"></span></p>\n";
    for (std::size_t i = 0; i < changes.size();) {
        const std::size_t scenario = changes[i].scenario;
        const ReportScenario& s = report.scenarios[scenario];
        out +=
            "<section class=\"scenario\" data-scenario=\"" + html_text(s.file) + "\">\n<h2>" +
            html_text(s.name) + " <small>" + html_text(s.file) +
            "</small></h2>\n<p><button class=\"accept-scenario\">Accept all of this scenario</button></p>\n";
        for (; i < changes.size() && changes[i].scenario == scenario; ++i) {
            const Change& c = changes[i];
            const std::string state = decision_name(c.decision);
            out += "<div class=\"change\" id=\"change-" + std::to_string(i) + "\" data-change=\"" +
                   std::to_string(i) + "\" data-scenario=\"" + html_text(s.file) + "\" data-kind=\"" +
                   kind_name(c.kind) + "\" data-state=\"" + state + "\" tabindex=\"-1\">\n<h3>" +
                   (c.kind == ChangeKind::screenshot ? "Screenshot " : "Flow ") +
                   html_text(c.target.empty() ? (c.kind == ChangeKind::screenshot ? s.reference : s.flows)
                                              : c.target) +
                   "</h3>\n";
            if (!c.refused.empty())
                out += "<p class=\"refused\">Cannot be accepted: " + html_text(c.refused) + "</p>\n";
            out += c.kind == ChangeKind::screenshot ? screenshot_pictures(s)
                                                    : changed_flow_table(dir, s, report);
            const std::string off = c.decision == Decision::undecided ? "" : " disabled";
            out += "<p><button class=\"accept\"" + (c.refused.empty() ? off : " disabled") +
                   ">Accept</button> <button class=\"reject\"" + off +
                   ">Reject</button> <span class=\"state\">" + state +
                   (c.outcome.empty() ? "" : ": " + html_text(c.outcome)) + "</span></p>\n</div>\n";
        }
        out += "</section>\n";
    }
    return out + "<script>" + SCRIPT + "</script>\n</body>\n</html>\n";
}
