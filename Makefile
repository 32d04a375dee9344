# The station's two everyday commands are `make run` and `make test`; each installs what is missing.
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CTEST_ARGS ?=

.PHONY: all deps build run test test-asan test-tsan bench fuzz snapshots deb check-package clean

all: build

deps:
	@scripts/install-deps

build/release/CMakeCache.txt: | deps
	cmake -S . -B build/release $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build/asan/CMakeCache.txt: | deps
	cmake -S . -B build/asan $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DVLK_SANITIZE=asan

build/tsan/CMakeCache.txt: | deps
	cmake -S . -B build/tsan $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLK_SANITIZE=tsan -DVLK_BUILD_UI=OFF

build/bench/CMakeCache.txt: | deps
	cmake -S . -B build/bench $(CMAKE_GEN) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DVLK_BUILD_TESTS=OFF -DVLK_BUILD_BENCH=ON

build/fuzz/CMakeCache.txt: | deps
	CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLK_BUILD_UI=OFF -DVLK_BUILD_TESTS=OFF -DVLK_BUILD_FUZZ=ON

build: deps build/release/CMakeCache.txt
	cmake --build build/release -j $(JOBS)

run: build
	scripts/run-station build/release

test: build
	cd build/release && ctest -j 2 --output-on-failure $(CTEST_ARGS)

test-asan: deps build/asan/CMakeCache.txt
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest -j 2 --output-on-failure $(CTEST_ARGS)

test-tsan: deps build/tsan/CMakeCache.txt
	cmake --build build/tsan -j $(JOBS)
	cd build/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest -j 2 --output-on-failure -L link $(CTEST_ARGS)

snapshots: deps build/release/CMakeCache.txt
	cmake --build build/release -j $(JOBS) --target snapshots

bench: deps build/bench/CMakeCache.txt
	cmake --build build/bench -j $(JOBS)
	scripts/run-bench build/bench

fuzz: deps build/fuzz/CMakeCache.txt
	cmake --build build/fuzz -j $(JOBS)
	mkdir -p build/fuzz/corpus build/fuzz/json-corpus
	build/fuzz/tests/fuzz/decode_fuzz -max_total_time=60 -print_final_stats=1 build/fuzz/corpus tests/data/fuzz-seeds
	build/fuzz/tests/fuzz/json_fuzz -max_total_time=60 -max_len=16384 -print_final_stats=1 \
	  -dict=tests/data/fuzz-json/json.dict build/fuzz/json-corpus tests/data/fuzz-json/seeds

# The Debian package, into build/deb/ (lintian must find no error and no warning), and the check of
# it installed on this machine (as root: it installs, runs, removes and purges the package).
deb:
	JOBS=$(JOBS) scripts/build-deb

check-package:
	scripts/check-package build/deb/vlk-station_*_amd64.deb

clean:
	rm -rf build
