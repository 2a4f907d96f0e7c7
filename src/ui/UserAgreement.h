// The user agreement page, opened in the user's browser.
#pragma once

// The maker's web host (a reserved .example host unless the build gives another).
#ifndef QY_AGREEMENT_HOST
#define QY_AGREEMENT_HOST "www.quilly.example"
#endif

// "http://" + host + "/help/servicesDetail.htm?articleId=56"
const wchar_t* UserAgreementAddress();
void OpenUserAgreement();
