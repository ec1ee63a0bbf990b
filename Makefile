# The two commands a newcomer needs are `make run` and `make test`; each installs what is
# missing, configures and builds first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# Empty: each target runs for FUZZ_SECONDS; else it also stops after this many executions.
FUZZ_RUNS  ?=
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all bootstrap configure build run test test-asan test-tsan bench fuzz install clean format

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: bootstrap $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-app $(BUILD)

test: build test-asan test-tsan
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The display-free core again under AddressSanitizer and UndefinedBehaviorSanitizer.
$(ASAN_BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	    -DKESTRANE_CORE_ONLY=ON -DKESTRANE_SANITIZE=ON -DKESTRANE_BENCH=OFF

test-asan: bootstrap $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The queues and the loop's cross-thread posting under ThreadSanitizer.
$(TSAN_BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	    -DKESTRANE_CORE_ONLY=ON -DKESTRANE_TSAN=ON -DKESTRANE_BENCH=OFF

test-tsan: bootstrap $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target ks_base_tests
	TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/bin/ks_base_tests --gtest_brief=1

bench: build
	@scripts/run-benchmarks $(BUILD)

$(FUZZ_BUILD)/build.ninja: | bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DKESTRANE_CORE_ONLY=ON -DKESTRANE_FUZZ=ON -DKESTRANE_TESTS=OFF -DKESTRANE_BENCH=OFF

fuzz: bootstrap $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_RUNS)

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
