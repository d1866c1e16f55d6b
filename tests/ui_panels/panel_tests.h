// Each test class of this binary has a runner; main runs them all and fails when any failed.
#pragma once

int RunFftWindowTests(int argc, char** argv);
int RunPassFailWindowTests(int argc, char** argv);
