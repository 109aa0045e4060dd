# Entry points: `make demo`, `make test`, `make build`, `make bench`, `make format`.
BUILD_DIR ?= build
WIN_DIR ?= build-win
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup build build-win test test-native test-win demo bench format format-check \
  layer-check clean

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

test: format-check layer-check test-native test-win

test-native: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-win: build-win
	@bash tests/wine/run.sh $(BUILD_DIR) $(WIN_DIR)

demo: build
	@bash scripts/demo.sh

# Every button type and look drawn on the raster surface: build/gallery/buttons.png, schemes.png.
.PHONY: gallery
gallery: build
	@$(BUILD_DIR)/bin/halvora-gallery $(BUILD_DIR)/gallery

bench: build
	@$(BUILD_DIR)/bin/halvora-bench

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
	@rm -rf $(BUILD_DIR) build-win
