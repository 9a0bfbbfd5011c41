/*
 * Runs a program N times in a row, each with stdin from a file and stdout
 * to /dev/null, and prints the wall time and minor faults per run.
 */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

int
main(int argc, char *argv[])
{
	posix_spawn_file_actions_t fa;
	struct rusage ru;
	struct timespec t0, t1;
	char *args[2];
	long i, n;
	pid_t pid;
	int status;

	if (argc != 4 || (n = atol(argv[1])) <= 0) {
		fprintf(stderr, "usage: spawn N INPUT PROGRAM\n");
		return 2;
	}
	args[0] = argv[3];
	args[1] = NULL;
	posix_spawn_file_actions_init(&fa);
	/* Each child opens the input afresh, at offset 0. */
	posix_spawn_file_actions_addopen(&fa, 0, argv[2], O_RDONLY, 0);
	posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
	clock_gettime(CLOCK_MONOTONIC, &t0);
	for (i = 0; i < n; i++) {
		if (posix_spawn(&pid, argv[3], &fa, NULL, args, environ) != 0 ||
		    waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
			perror(argv[3]);
			return 1;
		}
	}
	clock_gettime(CLOCK_MONOTONIC, &t1);
	getrusage(RUSAGE_CHILDREN, &ru);
	printf("%.0f %.1f\n",
	    ((t1.tv_sec - t0.tv_sec) * 1e9 + (t1.tv_nsec - t0.tv_nsec)) / n,
	    (double)ru.ru_minflt / n);
	return 0;
}
