/* testjvm_support.dll: a dependency of testjvm_dep.dll that is not beside it, as a
 * Java runtime's own DLLs lie in bin\ above bin\client\jvm.dll. */
#ifndef CORVANE_TESTJVM_SUPPORT_H_
#define CORVANE_TESTJVM_SUPPORT_H_

#define TESTJVM_SUPPORT_ANSWER 42

#ifdef TESTJVM_SUPPORT_BUILD
#define TESTJVM_SUPPORT_API __declspec(dllexport)
#else
#define TESTJVM_SUPPORT_API __declspec(dllimport)
#endif

/* Returns TESTJVM_SUPPORT_ANSWER. */
TESTJVM_SUPPORT_API int TestJvmSupportAnswer(void);

#endif /* CORVANE_TESTJVM_SUPPORT_H_ */
