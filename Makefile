# Entry points: `make demo`, `make test`, `make build`, `make bench`, `make load`, `make format`,
# `make test-sanitize`, `make fuzz`.
BUILD_DIR ?= build
WIN_DIR ?= build-win
SAN_DIR ?= build-sanitize
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# `make fuzz` runs each fuzz target this long; `make test` gives each FUZZ_TEST_SECONDS.
FUZZ_SECONDS ?= 60
FUZZ_TEST_SECONDS ?= 20

.PHONY: all setup build build-win build-sanitize test test-native test-win \
  test-sanitize test-fuzz fuzz demo bench load format format-check layer-check clean

all: build

setup:
	@bash scripts/setup.sh

# Configuring needs the packages setup installs, even under make -j.
$(BUILD_DIR)/CMakeCache.txt: | setup
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: setup $(BUILD_DIR)/CMakeCache.txt
	@cmake --build $(BUILD_DIR) -j $(JOBS) -- --no-print-directory

# The Windows in-process server, cross-compiled; its type library and glue come from the native
# generator, so the native build goes first.
$(WIN_DIR)/CMakeCache.txt: | setup
	@cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DHALVORA_COMGEN=$(abspath $(BUILD_DIR))/bin/halvora-comgen >/dev/null

build-win: build $(WIN_DIR)/CMakeCache.txt
	@cmake --build $(WIN_DIR) -j $(JOBS) -- --no-print-directory

# The sanitized build: clang with AddressSanitizer and UndefinedBehaviorSanitizer
# (cmake/sanitize.cmake). It compiles every source, the benchmarks too though they run only in
# the plain build, so that it also holds the sources to clang's warnings; its objects serve both
# its tests and the fuzz targets.
$(SAN_DIR)/CMakeCache.txt: | setup
	@cmake -S . -B $(SAN_DIR) -DCMAKE_CXX_COMPILER=clang++ -DHALVORA_SANITIZE=ON >/dev/null

build-sanitize: setup $(SAN_DIR)/CMakeCache.txt
	@cmake --build $(SAN_DIR) -j $(JOBS) -- --no-print-directory

test: format-check layer-check test-native test-win test-sanitize test-fuzz

test-native: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-win: build-win
	@bash tests/wine/run.sh $(BUILD_DIR) $(WIN_DIR)

# The unit tests and the conformance scripts (which run the sanitized halvora and halvora-sim);
# an undefined-behaviour report shows where it came from, as an address report does.
test-sanitize: build-sanitize
	@cd $(SAN_DIR) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

test-fuzz: build-sanitize
	@bash fuzz/run.sh $(SAN_DIR) $(FUZZ_TEST_SECONDS) $(JOBS)

fuzz: build-sanitize
	@bash fuzz/run.sh $(SAN_DIR) $(FUZZ_SECONDS) $(JOBS)

demo: build
	@bash scripts/demo.sh

# Every button type and look drawn on the raster surface: build/gallery/buttons.png, schemes.png.
.PHONY: gallery
gallery: build
	@$(BUILD_DIR)/bin/halvora-gallery $(BUILD_DIR)/gallery

# The PostgreSQL cases run on a throwaway cluster that keeps its data as a hotel's server would.
bench: build
	@bash tests/support/pg_cluster.sh run --durable -- $(BUILD_DIR)/bin/halvora-bench

# The load test: 8 workstation processes on one SQLite file, then on one PostgreSQL database.
LOAD_SECONDS ?= 60
load: build
	@BUILD_DIR=$(abspath $(BUILD_DIR)) bash bench/load.sh $(LOAD_SECONDS)

# Tracked files and new ones not yet added, so a file is formatted before its first commit.
SOURCES_CMD = git ls-files --cached --others --exclude-standard '*.cpp' '*.h'

format:
	@$(SOURCES_CMD) | xargs clang-format -i

format-check: setup
	@$(SOURCES_CMD) | xargs -r clang-format --dry-run --Werror

# Includes follow the layers of docs/design.md.
layer-check:
	@bash scripts/check_layers.sh

clean:
	@rm -rf $(BUILD_DIR) $(WIN_DIR) $(SAN_DIR)
