# The two entry points: `make run` and `make test`. Both install what a fresh Debian 12 machine lacks.
PACKAGES := cmake ninja-build g++ pkg-config python3 qt6-base-dev libgl-dev libfftw3-dev libgtest-dev \
            libbenchmark-dev libx11-dev xvfb xauth imagemagick fonts-liberation python3-pyvisa python3-pyvisa-py \
            qt6-svg-dev poppler-utils
JOBS ?= $(shell nproc)
WERROR := $(if $(CI),ON,OFF)

.PHONY: run test build deps bench fuzz screenshot clean

# What `make run` connects to: sim (the simulated instrument with resources/simulator/example.conf),
# demo (demo mode, no instrument), or the path of a real driver library (libmorvlink.so).
INSTRUMENT ?= sim
SIM_CONFIG ?= $(CURDIR)/resources/simulator/example.conf

run: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
ifeq ($(INSTRUMENT),sim)
	MORVLINK_LIBRARY=$(CURDIR)/build/release/src/simulator/libmorvlink-sim.so MORVLINK_SIM_CONFIG=$(SIM_CONFIG) \
	    ./build/release/src/app/tarnix
else ifeq ($(INSTRUMENT),demo)
	./build/release/src/app/tarnix --demo
else
	MORVLINK_LIBRARY=$(abspath $(INSTRUMENT)) ./build/release/src/app/tarnix
endif

build: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)

test: deps build/asan/build.ninja
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS)

bench: deps build/bench/build.ninja
	cmake --build build/bench -j $(JOBS)
	python3 scripts/bench_report.py $$(find build/bench/bench -type f -name 'bench_*' -perm -u+x | sort)

fuzz: EXTRA_PACKAGES := clang
fuzz: deps build/fuzz/build.ninja
	cmake --build build/fuzz -j $(JOBS)

build/release/build.ninja:
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNIX_BUILD_TESTS=OFF -DTARNIX_WERROR=$(WERROR)

build/asan/build.ninja:
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNIX_SANITIZE=ON -DTARNIX_WERROR=$(WERROR)

build/bench/build.ninja:
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNIX_BUILD_TESTS=OFF -DTARNIX_BUILD_BENCH=ON

build/fuzz/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTARNIX_BUILD_TESTS=OFF -DTARNIX_BUILD_FUZZ=ON

# Installs the Debian packages the build needs: with apt-get as root, else prints the command to run.
deps:
	@missing=""; for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    if [ "$$(id -u)" = 0 ]; then \
	        echo "Installing:$$missing"; \
	        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	    else \
	        echo "Missing packages. Run:"; echo "  sudo apt-get install -y$$missing"; exit 1; \
	    fi; \
	fi

clean:
	rm -rf build
