# The two commands of the README: `make run` and `make test`. Each one installs
# what the project needs on a fresh Debian 12 machine, then builds.
BUILD ?= build
ASAN_BUILD ?= build-asan
WEB_BUILD ?= build-web
CMAKE_FLAGS ?=

.PHONY: all setup configure build run test test-unit bench python-perf refs docs explore soak soak-gui fuzz generate install package web web-serve web-perf format clean

all: build

setup:
	@tools/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DQD5_WEB_SITE=$(abspath $(WEB_BUILD))/site $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	$(BUILD)/host/qd5sim

# Every test: the full build (unit and GUI tests, under Xvfb where no display
# is set), then the unit tests again under AddressSanitizer and UBSan.
test: build
	@tools/run_tests.sh $(BUILD) $(ASAN_BUILD)

# Rewrites every reference picture after an intended change of a screen: the
# golden images (tests/golden/), the shipped scenarios' references
# (scenarios/refs/) and their flows (scenarios/flows.json, scenarios/flows/). Failures of either leave their actual and diff pictures in
# $(BUILD)/test-output/.
refs: build
	QD5_UPDATE_REFS=1 $(BUILD)/tests/unit_tests --gtest_brief=1
	$(BUILD)/qd5run --update --flows scenarios/flows.json --out $(BUILD)/test-output/scenarios scenarios/*.yaml
	$(BUILD)/qd5run --update --flows scenarios/generated/flows.json --out $(BUILD)/test-output/scenarios/generated \
	  scenarios/generated/*.yaml

# Regenerates the pictures and recordings in docs/ that qd5run makes, after
# the references (which also write the language's tables into the docs), the
# picture of a report in a browser and docs/INPUTS.md.
DOC_SCENARIOS = scenarios/power_on_pages.yaml scenarios/oil_pressure_alarm.yaml
docs: refs
	$(BUILD)/qd5run --out docs $(DOC_SCENARIOS)
	$(BUILD)/make_inputs docs/INPUTS.md
	/usr/bin/python3 tests/report/test_report.py $(BUILD)/qd5run . $(BUILD)/test-output/report --screenshot docs/report.png
	/usr/bin/python3 tests/report/test_map.py $(BUILD)/qd5run $(BUILD)/test-output/explore --screenshot docs/map.png

# Explores every UI state of the instrument, leaves the map in
# $(BUILD)/explore-map/ and rewrites the suite that reaches every coverage
# point (scenarios/generated/) with its flows.
explore: build
	$(BUILD)/qd5run --explore $(BUILD)/explore-map --emit scenarios/generated
	rm -rf scenarios/generated/flows.json scenarios/generated/flows
	$(BUILD)/qd5run --update --flows scenarios/generated/flows.json --out $(BUILD)/test-output/scenarios/generated \
	  scenarios/generated/*.yaml

bench: build
	@tools/run_bench.sh $(BUILD)

# A simulated hour from Python against qd5run; rewrites its section of docs/PERFORMANCE.md.
python-perf: build
	@/usr/bin/python3 tools/measure_python.py $(BUILD)

# The long random-event soak: SOAK_PASSES passes (seed SOAK_SEED if given).
SOAK_PASSES ?= 10000000
soak: build
	$(BUILD)/tests/qd5_soak $(SOAK_PASSES) $(SOAK_SEED)

# The random soak of the real window (tools/gui_soak.sh): SOAK_GUI_SECONDS of
# clicking with a new seed each run, or seed SOAK_SEED. `make test` runs 30 s
# of one fixed seed.
SOAK_GUI_SECONDS ?= 600
soak-gui: build
	tools/gui_soak.sh $(BUILD)/host/qd5sim $(SOAK_GUI_SECONDS) $(or $(SOAK_SEED),random)

# Runs each libFuzzer target for FUZZ_SECONDS and merges what it found into
# the committed corpora under fuzz/corpus/, which the unit tests replay.
FUZZ_SECONDS ?= 600
fuzz: setup
	@CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DQD5_FUZZ=ON -DQD5_BUILD_HOST=OFF \
	  -DQD5_BUILD_TESTS=OFF -DQD5_BUILD_BENCH=OFF > /dev/null
	@cmake --build $(BUILD)-fuzz
	@tools/run_fuzz.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# Regenerates the fonts, the icons and the front picture from their sources.
generate: setup
	@cmake -S . -B $(BUILD)-tools -G Ninja -DQD5_BUILD_TOOLS=ON -DQD5_BUILD_HOST=OFF \
	  -DQD5_BUILD_TESTS=OFF -DQD5_BUILD_BENCH=OFF > /dev/null
	@cmake --build $(BUILD)-tools
	@tools/generate.sh $(BUILD)-tools

# Installs the programs, the menu entry with its icons, the catalogue entry and
# the manual pages under PREFIX (DESTDIR, if set, is put in front of it).
PREFIX ?= /usr/local
install: build web
	@cmake --install $(BUILD) --prefix $(PREFIX) --strip

# The Debian package, qd5sim_<version>_amd64.deb, written into $(BUILD)/; it
# carries the web page, so the page is built first.
package: build web
	@cmake --build $(BUILD) --target package
# The web edition: the instrument compiled to WebAssembly with emscripten and
# its static page, in $(WEB_BUILD)/site; web-serve shows it on localhost.
WEB_PORT ?= 8000
web: setup
	@tools/build_web.sh $(WEB_BUILD)
	@echo "The page is in $(WEB_BUILD)/site (any static web server can host it)"

web-serve: web
	@echo "Serving $(WEB_BUILD)/site at http://localhost:$(WEB_PORT)/ (Ctrl+C stops)"
	@/usr/bin/python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)/site

# Measures the page in headless Chromium; rewrites its section of docs/PERFORMANCE.md.
# Lighthouse and axe-core come from npm, at the versions the figures were
# taken with, into the web build; the page of the commit named by
# QD5_WEB_BASE (default: the one the figures were last compared with) is built
# beside it and measured in the same run.
QD5_WEB_BASE ?= 3e17187
web-perf: web
	@npm install --no-save --no-audit --no-fund --silent --prefix $(WEB_BUILD)/audit lighthouse@12.8.2 axe-core@4.14.1
	@tools/build_web_base.sh $(QD5_WEB_BASE) $(WEB_BUILD)/base
	@tools/measure_web.py $(WEB_BUILD)/site 30 $(WEB_BUILD)/base/site $(QD5_WEB_BASE)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BUILD)-tools $(WEB_BUILD)
