/*
 * Runs a program N times in a row, each with stdin the file INPUT, or with
 * "pipe" a pipe that holds INPUT's bytes, and stdout to /dev/null, and
 * prints the wall time and minor faults per run.
 */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

int
main(int argc, char *argv[])
{
	posix_spawn_file_actions_t fa;
	struct rusage before, after;
	struct timespec t0, t1;
	char *args[2], bytes[4096];
	ssize_t len = 0;
	long i, n;
	pid_t pid;
	int status, piped, p[2], fd;

	if (argc < 4 || argc > 5 || (n = atol(argv[1])) <= 0 ||
	    ((piped = argc == 5) && strcmp(argv[4], "pipe") != 0)) {
		fprintf(stderr, "usage: spawn N INPUT PROGRAM [pipe]\n");
		return 2;
	}
	if (piped && ((fd = open(argv[2], O_RDONLY)) == -1 ||
	    (len = read(fd, bytes, sizeof bytes)) == -1)) {
		perror(argv[2]);
		return 1;
	}
	args[0] = argv[3];
	args[1] = NULL;
	/* A shell may exec this in place of a subshell whose children's
	 * usage an exec keeps: only what comes after counts. */
	getrusage(RUSAGE_CHILDREN, &before);
	clock_gettime(CLOCK_MONOTONIC, &t0);
	for (i = 0; i < n; i++) {
		posix_spawn_file_actions_init(&fa);
		/* Each child opens the input afresh, at offset 0, or gets a
		 * pipe that holds it, its writer closed. */
		if (piped) {
			if (pipe(p) == -1 || write(p[1], bytes, len) != len) {
				perror("pipe");
				return 1;
			}
			close(p[1]);
			posix_spawn_file_actions_adddup2(&fa, p[0], 0);
			posix_spawn_file_actions_addclose(&fa, p[0]);
		} else {
			posix_spawn_file_actions_addopen(&fa, 0, argv[2], O_RDONLY, 0);
		}
		posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
		if (posix_spawn(&pid, argv[3], &fa, NULL, args, environ) != 0 ||
		    waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
			perror(argv[3]);
			return 1;
		}
		posix_spawn_file_actions_destroy(&fa);
		if (piped)
			close(p[0]);
	}
	clock_gettime(CLOCK_MONOTONIC, &t1);
	getrusage(RUSAGE_CHILDREN, &after);
	printf("%.0f %.1f\n",
	    ((t1.tv_sec - t0.tv_sec) * 1e9 + (t1.tv_nsec - t0.tv_nsec)) / n,
	    (double)(after.ru_minflt - before.ru_minflt) / n);
	return 0;
}
