# libde265's Windows build locks with kernel mutexes and waits on kernel
# semaphores and events: every progress mark of every coding block is a
# system call, and under Wine a round trip to its server. Slim reader/writer
# locks and condition variables stay in the process unless a thread really
# waits. Their semantics are those of the POSIX branch: a lock is never taken
# twice by one thread, and a broadcast needs no lock of its own. Each line
# changed no longer matches, so a second run changes nothing.
s/^typedef HANDLE              de265_mutex;$/typedef SRWLOCK             de265_mutex;/
s/^typedef win32_cond_t        de265_cond;$/typedef CONDITION_VARIABLE  de265_cond;/
s/{ \*m = CreateMutex(NULL, FALSE, NULL); }$/{ InitializeSRWLock(m); }/
s/^\(void de265_mutex_destroy(de265_mutex\* m)\) { CloseHandle(\*m); }$/\1 { }/
s/{ WaitForSingleObject(\*m, INFINITE); }$/{ AcquireSRWLockExclusive(m); }/
s/{ ReleaseMutex(\*m); }$/{ ReleaseSRWLockExclusive(m); }/
s/{ win32_cond_init(c); }$/{ InitializeConditionVariable(c); }/
s/{ win32_cond_destroy(c); }$/{ }/
/^void de265_cond_broadcast(de265_cond\* c,de265_mutex\* m)$/,/^}$/{
  /^  de265_mutex_lock(m);$/d
  /^  de265_mutex_unlock(m);$/d
  s/^  win32_cond_broadcast(c);$/  WakeAllConditionVariable(c);/
}
s/{ win32_cond_wait(c,m); }$/{ SleepConditionVariableSRW(c, m, INFINITE, 0); }/
s/{ win32_cond_signal(c); }$/{ WakeConditionVariable(c); }/
